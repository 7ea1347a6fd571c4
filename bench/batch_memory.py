"""Peak memory of one Engine.positions call: 10 bodies x 1,000,000 instants.

Each measurement runs in a fresh subprocess: it builds the Instant list, notes its
resident size, makes the call, and reads the peak resident size (ru_maxrss). Working
memory is the rise of the peak over the size before the call, less the returned array.
Usage: batch_memory.py [N] (geometric, then apparent).
"""
import json
import resource
import subprocess
import sys

BODY_COUNT = 10


def resident_bytes():
    with open("/proc/self/statm") as f:
        return int(f.read().split()[1]) * resource.getpagesize()


def child(mode, count):
    import gc

    from common import BODIES, de421_engine, epochs, instants

    import orbyx

    engine = de421_engine()
    batch_instants = instants(epochs(count), "tt")
    options = orbyx.apparent() if mode == "apparent" else orbyx.geometric()
    engine.positions(BODIES, batch_instants[:10], options)  # load the kernel pages first
    gc.collect()
    before = resident_bytes()
    peak_before = resource.getrusage(resource.RUSAGE_SELF).ru_maxrss * 1024
    result = engine.positions(BODIES, batch_instants, options)
    peak_after = resource.getrusage(resource.RUSAGE_SELF).ru_maxrss * 1024
    print(json.dumps({"before": before, "peak_before": peak_before, "peak_after": peak_after,
                      "array": result.nbytes, "shape": list(result.shape)}))


def measure(mode, count):
    output = subprocess.run([sys.executable, __file__, "--child", mode, str(count)],
                            check=True, capture_output=True, text=True).stdout
    return json.loads(output.strip().splitlines()[-1])


def main():
    count = int(sys.argv[1]) if len(sys.argv) > 1 else 1_000_000
    pairs = count * BODY_COUNT
    print(f"peak memory of positions, {BODY_COUNT} bodies x {count} instants ({sys.implementation.name})")
    for mode in ("geometric", "apparent"):
        m = measure(mode, count)
        working = m["peak_after"] - m["before"] - m["array"]
        print(f"  {mode:9s} peak RSS {m['peak_after'] / 2**20:8.1f} MiB, "
              f"before the call {m['before'] / 2**20:7.1f} MiB, array {m['array'] / 2**20:7.1f} MiB")
        if m["peak_after"] <= m["peak_before"]:
            print("            the call did not raise the process peak; working memory unknown")
        else:
            print(f"            working memory beyond the array {working / 2**20:7.1f} MiB = "
                  f"{working / pairs:6.1f} bytes per body-instant (target about 100 or less)")


if __name__ == "__main__":
    if len(sys.argv) > 1 and sys.argv[1] == "--child":
        child(sys.argv[2], int(sys.argv[3]))
    else:
        main()
