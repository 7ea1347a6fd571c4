"""Cost of opening DE421, reading its metadata and range, and dropping the engine,
against jplephem opening the same file and listing its segments."""

import statistics
import sys
import timeit
import warnings

from jplephem.spk import SPK

import orbyx

SHA256 = "0" * 64


def de421_path():
    with warnings.catch_warnings():
        warnings.simplefilter("ignore", RuntimeWarning)
        import skyfield_data

        return skyfield_data.get_skyfield_data_path() + "/de421.bsp"


def orbyx_cycle(path):
    engine = orbyx.open(path, SHA256)
    engine.kernel_metadata.as_dict()
    engine.supported_range
    del engine


def jplephem_cycle(path):
    kernel = SPK.open(path)
    [(segment.center, segment.target, segment.start_jd, segment.end_jd) for segment in kernel.segments]
    kernel.close()


def median_microseconds(function, path, repeat=7, number=200):
    times = timeit.repeat(lambda: function(path), repeat=repeat, number=number)
    return statistics.median(times) / number * 1e6


def main():
    path = sys.argv[1] if len(sys.argv) > 1 else de421_path()
    ours = median_microseconds(orbyx_cycle, path)
    peer = median_microseconds(jplephem_cycle, path)
    print(f"open + metadata + drop of {path.rsplit('/', 1)[-1]}")
    print(f"  orbyx     {ours:9.1f} us")
    print(f"  jplephem  {peer:9.1f} us   (open + segment list + close)")
    print(f"  ratio     {peer / ours:9.1f}x in favour of orbyx")


if __name__ == "__main__":
    main()
