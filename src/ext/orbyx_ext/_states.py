"""Named result of the native geometric_state."""
from typing import NamedTuple, Union

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
