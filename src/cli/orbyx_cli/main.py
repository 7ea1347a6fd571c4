"""Entry point of the `orbyx` command: one subcommand per job, one line per failure."""
from __future__ import annotations

import argparse
import sys
from typing import Any, List, Optional

from . import (chart_command, events_command, horizon_command, houses_command, kernel_command, positions_command,
               sky_command)
from .errors import ENGINE_FAILURE, CommandError
from .options import CommandParser, failure_text, refuse_idle_header

DESCRIPTION = ("Positions of the Sun, Moon and planets, equinoxes and lunations, rise and set, "
               "house cusps, and what an SPK kernel holds. With no file named, JPL DE421 and the "
               "IERS EOP table from the optional data (pip install 'orbyx[data]') are used.")


def installed_version() -> str:
    # Imported here: reading the package metadata costs more than a short run's positions.
    import importlib.metadata

    try:
        return importlib.metadata.version("orbyx")
    except importlib.metadata.PackageNotFoundError:
        return "(not installed)"


class _VersionAction(argparse.Action):
    """--version, which looks the installed version up only when asked."""

    def __call__(self, parser: argparse.ArgumentParser, namespace: argparse.Namespace, values: Any,
                 option_string: Optional[str] = None) -> None:
        print(f"orbyx {installed_version()}")
        parser.exit()


def build_parser() -> CommandParser:
    parser = CommandParser(prog="orbyx", description=DESCRIPTION)
    parser.add_argument("--version", action=_VersionAction, nargs=0, help="show the installed version and exit")
    subcommands = parser.add_subparsers(dest="command", metavar="COMMAND", required=True,
                                        parser_class=CommandParser)
    for command in (positions_command, events_command, horizon_command, houses_command, chart_command, sky_command,
                    kernel_command):
        command.add_parser(subcommands)
    return parser


# Options whose values may start with '-' (an offset west of Greenwich, a backward step,
# a year before 0), which argparse would otherwise take for an option.
SIGNED_VALUE_OPTIONS = ("--utc-offset", "--step", "--at", "--from", "--to", "--date")


def _signed_values_attached(argv: List[str]) -> List[str]:
    joined: List[str] = []
    index = 0
    while index < len(argv):
        if argv[index] in SIGNED_VALUE_OPTIONS and index + 1 < len(argv) and argv[index + 1][:1] == "-" \
                and argv[index + 1][1:2].isdigit():
            joined.append(f"{argv[index]}={argv[index + 1]}")
            index += 2
        else:
            joined.append(argv[index])
            index += 1
    return joined


def main(argv: Optional[List[str]] = None) -> int:
    arguments: Optional[argparse.Namespace] = None
    try:
        arguments = build_parser().parse_args(_signed_values_attached(sys.argv[1:] if argv is None else argv))
        refuse_idle_header(arguments)
        arguments.run(arguments)
    except CommandError as error:
        print(f"{error.prog or 'orbyx'}: error: {failure_text(error, arguments)}", file=sys.stderr)
        return error.status
    except BrokenPipeError:
        # The reader went away (orbyx positions ... | head): not an error of ours.
        sys.stderr.close()
        return 0
    except OSError as error:
        # Files are read through messages of their own; this is the last guard against a traceback.
        print(f"orbyx: error: {error}", file=sys.stderr)
        return ENGINE_FAILURE
    except KeyboardInterrupt:
        print("orbyx: interrupted", file=sys.stderr)
        return 130
    return 0
