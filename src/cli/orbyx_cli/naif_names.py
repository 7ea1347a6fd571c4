"""NAIF ids of the bodies the command names, as the NAIF tables spell them."""

NAIF_NAMES = {
    0: "SOLAR SYSTEM BARYCENTER", 1: "MERCURY BARYCENTER", 2: "VENUS BARYCENTER",
    3: "EARTH BARYCENTER", 4: "MARS BARYCENTER", 5: "JUPITER BARYCENTER", 6: "SATURN BARYCENTER",
    7: "URANUS BARYCENTER", 8: "NEPTUNE BARYCENTER", 9: "PLUTO BARYCENTER", 10: "SUN",
    199: "MERCURY", 299: "VENUS", 301: "MOON", 399: "EARTH", 499: "MARS",
    501: "IO", 502: "EUROPA", 503: "GANYMEDE", 504: "CALLISTO", 505: "AMALTHEA",
    514: "THEBE", 515: "ADRASTEA", 516: "METIS", 599: "JUPITER",
    606: "TITAN", 699: "SATURN", 799: "URANUS", 801: "TRITON", 899: "NEPTUNE", 901: "CHARON", 999: "PLUTO",
    2000001: "CERES", 2000002: "PALLAS", 2000003: "JUNO", 2000004: "VESTA", 2002060: "CHIRON",
    2005145: "PHOLUS",
}


def body_name(naif_id: int) -> str:
    """A body as a message names it: "jupiter (599)", or "body 2000433" when it has no name here."""
    name = NAIF_NAMES.get(naif_id)
    return f"{name.lower()} ({naif_id})" if name else f"body {naif_id}"
