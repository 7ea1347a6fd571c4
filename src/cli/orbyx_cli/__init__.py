"""The `orbyx` command line: positions, events, rise and set, houses and kernel contents."""
