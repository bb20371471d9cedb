# Install rules for the programs, the icon and the desktop entry.
