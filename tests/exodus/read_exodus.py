"""Prints what an Exodus II file holds as netCDF's library reads it (through
python3-netcdf4), one line a fact: dimensions, global attributes, and every
variable with its dimensions and values: integers in decimal, floats as the
hexadecimal of their bits, character arrays as their rows (NULs dropped)
joined by '|'.

    read_exodus.py FILE
"""
import sys

import netCDF4
import numpy


def values(array):
    array = numpy.asarray(array)
    if array.dtype.kind == "f":
        bits = array.reshape(-1).view("u%d" % array.dtype.itemsize)
        return " ".join(format(int(b), "x") for b in bits)
    if array.dtype.kind == "i":
        return " ".join(str(int(v)) for v in array.reshape(-1))
    if array.dtype.kind == "S":
        rows = array.reshape(-1, array.shape[-1]) if array.ndim > 0 else array.reshape(1, 1)
        return "|".join(row.tobytes().rstrip(b"\0").decode("latin-1") for row in rows)
    raise SystemExit("unexpected type %s" % array.dtype)


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
