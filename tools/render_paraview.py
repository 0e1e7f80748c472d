"""Renders the bundled example's last step in ParaView into docs/example_paraview.png.

Runs meridian --vtk on examples/n3dhsp (job 1, deformation scale factor 10) in
a temporary directory, opens model_stress.pvd, goes to the last time step,
warps the mesh by `displacement` with the factor of the Tecplot files of scale
factor 10 (their coordinates are x + 100 * F * displacement, so 1000) and
colours it by `effective_stress`.

ParaView comes from Debian's python3-paraview; rendering needs a display, so
run it under xvfb-run (Debian's xvfb):

    xvfb-run -a pvpython tools/render_paraview.py MERIDIAN_BINARY [OUTPUT_PNG]
"""

import os
import shutil
import subprocess
import sys
import tempfile

from paraview.simple import (ColorBy, Delete, ExtractSurface, GetActiveViewOrCreate, GetAnimationScene,
                             GetColorTransferFunction, GetScalarBar, OpenDataFile,
                             SaveScreenshot, Show, Text, WarpByVector)

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
SCALE_FACTOR = 10.0  # the factor given to meridian, as in scripts/run_example.sh
WIDTH, HEIGHT = 800, 500


def run_example(binary, directory):
    shutil.copy(os.path.join(ROOT, "examples", "n3dhsp"), directory)
    subprocess.run([binary, "--scale", str(SCALE_FACTOR), "--vtk"], cwd=directory,
                   stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, check=True)
    return os.path.join(directory, "model_stress.pvd")


def render(collection, png):
    steps = OpenDataFile(collection)
    scene = GetAnimationScene()
    scene.UpdateAnimationUsingDataTimeSteps()
    scene.AnimationTime = steps.TimestepValues[-1]

    warped = WarpByVector(Input=steps)
    warped.Vectors = ["POINTS", "displacement"]
    warped.ScaleFactor = 100.0 * SCALE_FACTOR
    # The surface holds only the points of the hexahedra, so the colour range
    # is theirs (the ground nodes of the springs carry no stress).
    surface = ExtractSurface(Input=warped)

    view = GetActiveViewOrCreate("RenderView")
    view.ViewSize = [WIDTH, HEIGHT]
    view.OrientationAxesVisibility = 1
    view.Background = [1.0, 1.0, 1.0]
    try:  # ParaView 5.10 and later take the background from the colour palette
        view.UseColorPaletteForBackground = 0
    except AttributeError:
        pass
    display = Show(surface, view)
    display.SetRepresentationType("Surface With Edges")
    display.EdgeColor = [0.2, 0.2, 0.2]
    ColorBy(display, ("POINTS", "effective_stress"))
    display.RescaleTransferFunctionToDataRange(True, False)
    colours = GetColorTransferFunction("effective_stress")
    colours.ApplyPreset("Jet", True)
    display.SetScalarBarVisibility(view, True)
    bar = GetScalarBar(colours, view)
    bar.Title = "effective stress"
    bar.ComponentTitle = ""
    bar.TitleColor = [0.1, 0.1, 0.1]
    bar.LabelColor = [0.1, 0.1, 0.1]
    bar.RangeLabelFormat = "%.1f"
    bar.ScalarBarLength = 0.6

    # Looking at the block on the slab from the front, a little above.
    view.CameraPosition = [14.0, -12.0, 11.0]
    view.CameraFocalPoint = [3.0, 2.0, 2.0]
    view.CameraViewUp = [0.0, 0.0, 1.0]
    view.ResetCamera(False)
    view.GetActiveCamera().Dolly(1.2)

    caption = Text(Text="examples/n3dhsp, model_stress.pvd at step %d: Warp By Vector on "
                        "displacement (x %g),\ncoloured by effective_stress"
                        % (int(steps.TimestepValues[-1]), 100.0 * SCALE_FACTOR))
    caption_display = Show(caption, view)
    caption_display.WindowLocation = "Lower Left Corner"
    caption_display.FontSize = 11
    caption_display.Justification = "Left"
    caption_display.Color = [0.1, 0.1, 0.1]
    SaveScreenshot(png, view, ImageResolution=[WIDTH, HEIGHT])
    # A view left to the interpreter's exit tears down its GL context after
    # Xvfb's and ends the run with an X error.
    Delete(view)


def main():
    if len(sys.argv) not in (2, 3):
        print(__doc__)
        return 2
    binary = os.path.abspath(sys.argv[1])
    png = os.path.abspath(sys.argv[2] if len(sys.argv) == 3
                          else os.path.join(ROOT, "docs", "example_paraview.png"))
    work = tempfile.mkdtemp(prefix="meridian_render_")
    try:
        render(run_example(binary, work), png)
    finally:
        shutil.rmtree(work, ignore_errors=True)
    print(png)
    return 0


if __name__ == "__main__":
    sys.exit(main())
