"""Bodies as the options name them: orbyx's names, the companion's (io, ceres, chiron, ...)
or NAIF ids, for any kernel attached."""
from __future__ import annotations

from typing import List, Union

from .errors import CommandError, engine_failure
from .naif_names import body_name

Body = Union[str, int]


def body_argument(text: str, option: str = "--body") -> Body:
    """A body's name, lower-cased, or a NAIF id as an integer."""
    name = text.strip().lower()
    if not name:
        raise CommandError(f"{option} names no body")
    return int(name) if name.lstrip("+-").isdigit() else name


def body_list(text: str, option: str = "--bodies") -> List[Body]:
    """Comma-separated bodies, at least one."""
    bodies = [body_argument(name, option) for name in text.split(",") if name.strip()]
    if not bodies:
        raise CommandError(f"{option} names no body")
    return bodies


def message_name(body: Body) -> str:
    return body_name(body) if isinstance(body, int) else body


def body_failure(error: ValueError) -> CommandError:
    """A body named wrongly is a bad argument; anything else the engine's failure."""
    message = str(error)
    wrongly_named = message.startswith("unknown body") or "already among the chart's bodies" in message
    return CommandError(message) if wrongly_named else engine_failure(error)
