"""Prints what an Exodus II file holds as netCDF's library reads it (through
python3-netcdf4), one line a fact: dimensions, global attributes, and every
variable with its dimensions and values: integers in decimal, floats as the
hexadecimal of their bits, character arrays as their rows (NULs dropped)
joined by '|'.

    read_exodus.py FILE
"""
import os
import sys

import netCDF4
import numpy

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "netcdf"))
import read_netcdf  # noqa: E402


def values(array):
    """read_netcdf's values, but for character arrays their rows."""
    array = numpy.asarray(array)
    if array.dtype.kind == "S":
        rows = array.reshape(-1, array.shape[-1]) if array.ndim > 0 else array.reshape(1, 1)
        return "|".join(row.tobytes().rstrip(b"\0").decode("latin-1") for row in rows)
    return read_netcdf.values(array)


with netCDF4.Dataset(sys.argv[1]) as file:
    file.set_auto_maskandscale(False)
    file.set_auto_chartostring(False)
    print("format", file.data_model)
    for dimension in file.dimensions.values():
        print("dimension", dimension.name, len(dimension))
    for name in file.ncattrs():
        value = file.getncattr(name)
        print("attribute", name, value if isinstance(value, str) else values(numpy.atleast_1d(value)))
    for variable in file.variables.values():
        print("variable", variable.name, ",".join(variable.dimensions), values(variable[...]))
        for name in variable.ncattrs():
            print("attribute", variable.name + ":" + name, variable.getncattr(name))
