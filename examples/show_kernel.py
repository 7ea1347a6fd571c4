"""Open JPL DE421 (from the skyfield-data package) and print what orbyx records of it."""

import hashlib
import os
import sys
import warnings

import orbyx


def de421_path():
    with warnings.catch_warnings():
        warnings.simplefilter("ignore")  # skyfield-data warns about its own EOP file's age
        import skyfield_data

        return os.path.join(skyfield_data.get_skyfield_data_path(), "de421.bsp")


def main():
    path = sys.argv[1] if len(sys.argv) > 1 else de421_path()
    with open(path, "rb") as kernel:
        sha256 = hashlib.sha256(kernel.read()).hexdigest()
    engine = orbyx.open(path, sha256)
    print(engine)
    for key, value in engine.kernel_metadata.as_dict().items():
        print(f"  {key}: {value}")
    print(engine.supported_range)


if __name__ == "__main__":
    main()
