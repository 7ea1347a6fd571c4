"""Positions of several bodies on a large grid of instants, computed in parallel with Dask.

    python examples/dask_grid.py --instants 2000000 --chunk 100000 --workers 2

The grid (TDB instants spread evenly over 2000-2050) is cut into chunks; each chunk is one
task, whose worker computes it with `engine.positions` (apparent geocentric ecliptic
coordinates) and sends back the NumPy block. The blocks are joined in grid order into one
array of shape (instants, bodies, 4): longitude, latitude, distance, longitude speed.

Without --scheduler the script starts a cluster of worker processes on this machine. To use
several machines, start a scheduler on one (`dask scheduler`, listening on port 8786) and a
worker on each (`dask worker tcp://HOST:8786`), then pass `--scheduler tcp://HOST:8786`.
Every machine, the scheduler's included, needs the same Python environment: orbyx with its
default data (`pip install 'orbyx[data,dask]'`), since each worker opens the data itself.

Needs dask and distributed (`pip install 'orbyx[dask]'`).
"""
import argparse
import threading
import time

import numpy as np
import orbyx
from distributed import Client, get_worker
from orbyx_cli.default_data import open_data, resolve_files

GRID_START_TDB = 2451544.5  # 2000-01-01 00:00 TDB
GRID_DAYS = 18262.0  # to 2050-01-01


def grid_julian_days(instants):
    return np.linspace(GRID_START_TDB, GRID_START_TDB + GRID_DAYS, instants)


def engine_for_this_thread():
    """This worker thread's engine, opened on the thread's first task.

    An Engine belongs to the thread that opened it and cannot be pickled, so none travels:
    each worker thread opens its own and keeps it in a thread-local slot, which also lets
    it go on that thread when the thread ends. The slot hangs on the worker object, which
    lives as long as the worker process; this module's globals do not, since Dask ships
    this function to the workers anew with every task.
    """
    slot = vars(get_worker()).setdefault("orbyx_engines", threading.local())
    if not hasattr(slot, "engine"):
        slot.engine = open_data(resolve_files()).engine
    return slot.engine


def positions_block(bodies, julian_days):
    """One chunk of the grid; runs on a worker."""
    instants = [orbyx.Instant.tdb(day) for day in julian_days]
    return engine_for_this_thread().positions(bodies, instants, orbyx.apparent())


def compute_grid(client, bodies, julian_days, chunk):
    chunks = [julian_days[start:start + chunk] for start in range(0, len(julian_days), chunk)]
    futures = client.map(positions_block, [bodies] * len(chunks), chunks)
    return np.concatenate(client.gather(futures))


def connect(args):
    if args.scheduler:
        return Client(args.scheduler)
    # A cluster of its own, closed with the client: one single-threaded process per worker,
    # so that the engines run in parallel without sharing a GIL.
    return Client(n_workers=args.workers, threads_per_worker=1, processes=not args.threads,
                  dashboard_address=None)


def parse_args(argv):
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--instants", type=int, default=1_000_000, help="grid size (default 1000000)")
    parser.add_argument("--chunk", type=int, default=50_000, help="instants per task (default 50000)")
    parser.add_argument("--workers", type=int, default=2, help="local worker processes (default 2)")
    parser.add_argument("--bodies", default="sun,moon,mercury,venus,mars,jupiter,saturn",
                        help="comma-separated body names")
    parser.add_argument("--scheduler", help="address of a running Dask scheduler, e.g. tcp://host:8786")
    parser.add_argument("--threads", action="store_true",
                        help="run the local workers as threads of this process instead of processes")
    args = parser.parse_args(argv)
    if args.instants < 1 or args.chunk < 1 or args.workers < 1:
        parser.error("--instants, --chunk and --workers must be positive")
    return args


def main(argv=None):
    """Computes the grid on the cluster, prints a summary and returns the array."""
    args = parse_args(argv)
    bodies = [name.strip() for name in args.bodies.split(",")]
    julian_days = grid_julian_days(args.instants)
    with connect(args) as client:
        started = time.perf_counter()
        grid = compute_grid(client, bodies, julian_days, args.chunk)
        elapsed = time.perf_counter() - started
    print(f"shape {grid.shape} (instants, bodies, [longitude, latitude, distance, speed])")
    print(f"{elapsed:.2f} s on {args.scheduler or f'{args.workers} local workers'}: "
          f"{grid.shape[0] * grid.shape[1] / elapsed:,.0f} positions per second")
    return grid


if __name__ == "__main__":
    main()
