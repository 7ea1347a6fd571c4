#pragma once

#include "core/types.hpp"

namespace orbyx {

// The Sun's apparent ecliptic longitude at each season's start, degrees.
inline double season_target_longitude_deg(SeasonEvent event) {
    switch (event) {
        case SeasonEvent::MarchEquinox: return 0.0;
        case SeasonEvent::JuneSolstice: return 90.0;
        case SeasonEvent::SeptemberEquinox: return 180.0;
        case SeasonEvent::DecemberSolstice: return 270.0;
    }
    return 0.0;
}

// Moon minus Sun apparent longitude at each lunation, degrees.
inline double lunation_target_elongation_deg(LunationEvent event) {
    return event == LunationEvent::FullMoon ? 180.0 : 0.0;
}

}  // namespace orbyx
