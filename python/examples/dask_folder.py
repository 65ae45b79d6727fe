"""Compresses every audio file of a folder on a Dask cluster, each file as `corvex process` would.

    /usr/bin/python3 python/examples/dask_folder.py IN_DIR OUT_DIR [--preset NAME|FILE] [--set NAME=VALUE ...]
    /usr/bin/python3 python/examples/dask_folder.py IN_DIR OUT_DIR --scheduler tcp://HOST:8786 ...

Without --scheduler it starts a local cluster of two worker processes on this
machine. With the address of a running scheduler, the same code spreads the
files over that cluster's workers: each needs corvex installed (the wheel) and
must see IN_DIR and OUT_DIR at the same paths (a shared file system). The
configured Compressor travels to the workers pickled: its parameters, which is
all a file job needs. Prints one line per file and exits with 1 if any failed.
"""

import argparse
import pathlib
import sys

from dask.distributed import Client, LocalCluster

import corvex

AUDIO_SUFFIXES = {".wav", ".aif", ".aiff", ".flac", ".ogg", ".oga"}


def compress(path, out_dir, compressor):
    """One file on a worker; any exception comes back to the client with the tool's message."""
    corvex.process_file(path, out_dir / path.name, compressor=compressor)
    return path.name


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("in_dir", type=pathlib.Path)
    parser.add_argument("out_dir", type=pathlib.Path)
    parser.add_argument("--scheduler", help="address of a Dask scheduler; default: a local cluster")
    parser.add_argument("--preset", help="a factory preset's name or a preset file")
    parser.add_argument("--set", action="append", default=[], metavar="NAME=VALUE",
                        help="a parameter as corvex.Compressor takes it, such as ratio=8 or input_gain=-14")
    args = parser.parse_args()

    params = dict(setting.split("=", 1) for setting in args.set)
    compressor = corvex.Compressor.preset(args.preset, **params) if args.preset else corvex.Compressor(**params)
    paths = sorted(path for path in args.in_dir.iterdir() if path.suffix.lower() in AUDIO_SUFFIXES)
    args.out_dir.mkdir(parents=True, exist_ok=True)

    cluster = None if args.scheduler else LocalCluster(n_workers=2, threads_per_worker=1, dashboard_address=None)
    failed = 0
    with Client(args.scheduler or cluster) as client:
        futures = client.map(compress, paths, out_dir=args.out_dir, compressor=compressor)
        for path, future in zip(paths, futures):
            try:
                print(f"{future.result()}: done")
            except Exception as error:
                failed += 1
                print(f"{path.name}: {error}", file=sys.stderr)
    if cluster is not None:
        cluster.close()
    print(f"{len(paths) - failed} of {len(paths)} files processed, {failed} failed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
