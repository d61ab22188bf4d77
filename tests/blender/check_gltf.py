# Run by Blender: imports one glTF export and checks it against the model's
# `kvtool dump --json`. Usage:
#   blender -b --factory-startup --python-exit-code 1 --python check_gltf.py -- FILE.glb DUMP.json
import json
import re
import sys

import bpy
import numpy

# Debian 12's Blender 3.4 importer still asks for numpy.bool, which its numpy
# 1.24 no longer has.
if not hasattr(numpy, "bool"):
    numpy.bool = bool

gltf_path, dump_path = sys.argv[sys.argv.index("--") + 1:][:2]
with open(dump_path) as f:
    model = json.load(f)

bpy.ops.wm.read_factory_settings(use_empty=True)
bpy.ops.import_scene.gltf(filepath=gltf_path)
failures = []


def base(name):
    # Blender tells apart objects of one name with ".001", ".002", ...
    return re.sub(r"\.\d{3}$", "", name)


point = re.compile(r"^(gun|ground|attach) \d+$")
subobjects = model["subobjects"]
expected = sorted((s["name"], subobjects[s["parentIndex"]]["name"] if s["parentIndex"] >= 0 else "")
                  for s in subobjects)
found = sorted((base(o.name), base(o.parent.name) if o.parent else "")
               for o in bpy.data.objects if not point.match(base(o.name)))
if found != expected:
    failures.append("tree %s != %s" % (found, expected))
points = sum(len(model[k]) for k in ("gunPoints", "groundPoints", "attachPoints"))
found_points = sum(1 for o in bpy.data.objects if point.match(base(o.name)))
if found_points != points:
    failures.append("%d point empties, expected %d" % (found_points, points))

# Blender is +Z up: the importer turns glTF's (x, y, z) into (x, -z, y).
bpy.context.scene.frame_set(0)
lo = [float("inf")] * 3
hi = [float("-inf")] * 3
for o in bpy.data.objects:
    if o.type != "MESH":
        continue
    for v in o.data.vertices:
        w = o.matrix_world @ v.co
        for i in range(3):
            lo[i], hi[i] = min(lo[i], w[i]), max(hi[i], w[i])
bmin, bmax = model["boundsMin"], model["boundsMax"]
want_lo = [bmin[0], -bmax[2], bmin[1]]
want_hi = [bmax[0], -bmin[2], bmax[1]]
size = max(b - a for a, b in zip(bmin, bmax))
for i in range(3):
    if abs(lo[i] - want_lo[i]) > 0.01 * size or abs(hi[i] - want_hi[i]) > 0.01 * size:
        failures.append("bounds %s..%s, expected %s..%s" % (lo, hi, want_lo, want_hi))
        break

animated = any(s["positionKeys"] or (s["rotationKeys"] and s["property"]["kind"] != 5) for s in subobjects)
if (len(bpy.data.actions) > 0) != animated:
    failures.append("%d actions, animated: %s" % (len(bpy.data.actions), animated))
textured = any(s["textures"] for s in subobjects)
if (len(bpy.data.images) > 0) != textured:
    failures.append("%d images, textured: %s" % (len(bpy.data.images), textured))

print("blender: %s: %d objects, %d actions, %d images, %d materials: %s" % (
    gltf_path, len(bpy.data.objects), len(bpy.data.actions), len(bpy.data.images), len(bpy.data.materials),
    "; ".join(failures) if failures else "ok"))
sys.exit(1 if failures else 0)
