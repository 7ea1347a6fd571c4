"""Named result of the native geometric_state, and its batch."""
from collections.abc import Sequence
from typing import NamedTuple, Union

import numpy as np
import numpy.typing as npt

import orbyx

from orbyx_ext import _native


class GeometricState(NamedTuple):
    # In the kernels' frame (ICRF for JPL's).
    x_km: float
    y_km: float
    z_km: float
    vx_km_per_s: float
    vy_km_per_s: float
    vz_km_per_s: float


def geometric_state(engine: orbyx.Engine, target: Union[str, int], center: Union[str, int],
                    instant: orbyx.Instant) -> GeometricState:
    """The state of `target` relative to `center` at `instant`, each a body name as orbyx
    names them ("sun", "moon", "mercury", ... "pluto"), one of the companion's names ("io",
    "titan", "ceres", ...) or a NAIF integer id (501 for Io):
    uncorrected, in the kernels' frame, as a kernel reader such as SPICE gives it."""
    return GeometricState(*_native.geometric_state(engine, target, center, instant))


def geometric_states(engine: orbyx.Engine, target: Union[str, int], center: Union[str, int],
                     instants: Union[Sequence[orbyx.Instant], npt.NDArray[np.object_]]) -> npt.NDArray[np.float64]:
    """geometric_state at each of `instants`, as a float64 array of shape (len(instants), 6):
    x, y, z (km), vx, vy, vz (km/s) per row, each row equal to geometric_state's to the bit.
    Each segment's records are read once for the whole batch."""
    return _native.geometric_states(engine, target, center, instants)[..., 0]
