#!/usr/bin/python3
"""Renders the bundled example's stress field into docs/example_stress.png.

Runs meridian on examples/n3dhsp (job 1, deformation scale factor 10) in a
temporary directory, reads the last step's model_stress_<c>.dat with VTK's
Tecplot reader and draws the deformed mesh coloured by the effective (von
Mises) stress, off screen. VTK comes from Debian's python3-vtk9, which installs
for /usr/bin/python3; where the off-screen window still needs a display, run
this under xvfb-run (Debian's xvfb).

Usage: /usr/bin/python3 tools/render_example.py MERIDIAN_BINARY [OUTPUT_PNG]
"""

import glob
import os
import shutil
import subprocess
import sys
import tempfile

import vtk

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


def run_example(binary, directory):
    shutil.copy(os.path.join(ROOT, "examples", "n3dhsp"), directory)
    subprocess.run([binary], cwd=directory, input=b"10\n", stdout=subprocess.DEVNULL, check=True)
    # Steps 1..9 are named by their digit; the example has three.
    return sorted(glob.glob(os.path.join(directory, "model_stress_?.dat")))[-1]


def render(stress_file, png, width=1200, height=800):
    reader = vtk.vtkTecplotReader()
    reader.SetFileName(stress_file)
    reader.Update()
    surface = vtk.vtkCompositeDataGeometryFilter()
    surface.SetInputConnection(reader.GetOutputPort())
    surface.Update()
    mises = surface.GetOutput().GetPointData().GetArray("MISES")
    low, high = mises.GetRange()

    colours = vtk.vtkLookupTable()
    colours.SetHueRange(0.667, 0.0)  # blue (low) to red (high)
    colours.SetNumberOfTableValues(256)
    colours.SetTableRange(low, high)
    colours.Build()

    mapper = vtk.vtkPolyDataMapper()
    mapper.SetInputConnection(surface.GetOutputPort())
    mapper.SetScalarModeToUsePointFieldData()
    mapper.SelectColorArray("MISES")
    mapper.SetLookupTable(colours)
    mapper.SetScalarRange(low, high)
    mapper.InterpolateScalarsBeforeMappingOn()
    body = vtk.vtkActor()
    body.SetMapper(mapper)
    body.GetProperty().EdgeVisibilityOn()
    body.GetProperty().SetAmbient(0.35)  # keep the colours readable on faces turned from the light
    body.GetProperty().SetDiffuse(0.65)
    body.GetProperty().SetEdgeColor(0.15, 0.15, 0.15)

    bar = vtk.vtkScalarBarActor()
    bar.SetLookupTable(colours)
    bar.SetTitle("MISES")
    bar.SetNumberOfLabels(5)
    bar.SetLabelFormat("%.1f")
    bar.SetWidth(0.09)
    bar.SetHeight(0.7)
    bar.SetPosition(0.88, 0.15)
    for text in (bar.GetTitleTextProperty(), bar.GetLabelTextProperty()):
        text.SetColor(0.1, 0.1, 0.1)
        text.ShadowOff()
        text.ItalicOff()

    caption = vtk.vtkTextActor()
    caption.SetInput("examples/n3dhsp, %s: deformed mesh (displacements x 1000),\n"
                     "nodal effective stress extrapolated from the integration points"
                     % os.path.basename(stress_file))
    caption.GetTextProperty().SetFontSize(18)
    caption.GetTextProperty().SetColor(0.1, 0.1, 0.1)
    caption.SetPosition(15, 15)

    renderer = vtk.vtkRenderer()
    renderer.SetBackground(1.0, 1.0, 1.0)
    renderer.AddActor(body)
    renderer.AddActor2D(bar)
    renderer.AddActor2D(caption)
    camera = renderer.GetActiveCamera()
    camera.SetViewUp(0, 0, 1)
    camera.SetPosition(1, -1.6, 0.9)
    camera.SetFocalPoint(0, 0, 0)
    renderer.ResetCamera()
    camera.Zoom(1.25)

    window = vtk.vtkRenderWindow()
    window.SetOffScreenRendering(1)
    window.SetSize(width, height)
    window.AddRenderer(renderer)
    window.Render()

    image = vtk.vtkWindowToImageFilter()
    image.SetInput(window)
    image.ReadFrontBufferOff()
    image.Update()
    writer = vtk.vtkPNGWriter()
    writer.SetFileName(png)
    writer.SetInputConnection(image.GetOutputPort())
    writer.Write()
    return low, high


def main():
    if len(sys.argv) not in (2, 3):
        print(__doc__)
        return 2
    binary = os.path.abspath(sys.argv[1])
    png = sys.argv[2] if len(sys.argv) == 3 else os.path.join(ROOT, "docs", "example_stress.png")
    work = tempfile.mkdtemp(prefix="meridian_render_")
    try:
        stress_file = run_example(binary, work)
        low, high = render(stress_file, png)
    finally:
        shutil.rmtree(work, ignore_errors=True)
    print("%s: MISES %.3f .. %.3f" % (png, low, high))
    return 0


if __name__ == "__main__":
    sys.exit(main())
