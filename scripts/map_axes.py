"""What the project's pictures of the estuary share: metre axes and coordinate-system names."""

import re

from matplotlib.ticker import StrMethodFormatter


def metre_axes(axes):
    """Equal scales, eastings and northings in whole metres with thousands separated."""
    axes.autoscale_view()
    axes.set_aspect("equal")
    axes.set_xlabel("Easting (m)")
    axes.set_ylabel("Northing (m)")
    plain_metres = StrMethodFormatter("{x:,.0f}")
    axes.xaxis.set_major_formatter(plain_metres)
    axes.yaxis.set_major_formatter(plain_metres)
    axes.tick_params(axis="x", labelrotation=30)


def wkt_name(wkt, unnamed):
    """The name a WKT text gives its coordinate system, or `unnamed`."""
    found = re.match(r'\s*[A-Z]+\["([^"]*)"', wkt)
    return found.group(1) if found else unnamed
