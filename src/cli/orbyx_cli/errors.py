"""The two ways a command fails, and the exit status of each."""
from typing import Optional

BAD_ARGUMENTS = 2
ENGINE_FAILURE = 1


class CommandError(Exception):
    """A failure reported as one line on stderr; never a traceback."""

    def __init__(self, message: str, status: int = BAD_ARGUMENTS, prog: Optional[str] = None) -> None:
        super().__init__(message)
        self.status = status
        self.prog = prog


def file_failure(path: object, error: object) -> CommandError:
    """A file that could not be read, or that the engine refused; the message names the file."""
    if isinstance(error, OSError):
        error = error.strerror or error
    return CommandError(f"{path}: {error}", ENGINE_FAILURE)


def engine_failure(error: ValueError) -> CommandError:
    """An error the engine reported about a well-formed request."""
    return CommandError(str(error), ENGINE_FAILURE)
