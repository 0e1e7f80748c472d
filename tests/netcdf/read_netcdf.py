"""Prints what a netCDF file holds as the netCDF library reads it (through
python3-netcdf4), one line a fact, every value exactly: integers in decimal,
floats as the hexadecimal of their bits, characters as hexadecimal bytes.

    read_netcdf.py FILE
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
        return array.tobytes().hex()
    raise SystemExit("unexpected type %s" % array.dtype)


def attributes(owner, prefix):
    for name in owner.ncattrs():
        value = owner.getncattr(name)
        if isinstance(value, str):
            print(prefix, name, "text", value.encode("utf-8").hex())
        else:
            print(prefix, name, numpy.asarray(value).dtype, values(value))


def main():
    with netCDF4.Dataset(sys.argv[1]) as file:
        file.set_auto_maskandscale(False)
        file.set_auto_chartostring(False)
        print("format", file.data_model)
        for dimension in file.dimensions.values():
            print("dimension", dimension.name, len(dimension),
                  "unlimited" if dimension.isunlimited() else "fixed")
        attributes(file, "attribute")
        for variable in file.variables.values():
            print("variable", variable.name, variable.dtype, " ".join(variable.dimensions),
                  values(variable[...]))
            attributes(variable, "attribute " + variable.name)


if __name__ == "__main__":
    main()
