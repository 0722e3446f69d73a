// Writes the land polygons under the Marsden square maps from world-atlas: geo/landdata.cpp (the
// North Atlantic, land-50m.json) or geo/worldland.cpp (the whole world, land-110m.json).
//
// Usage (from a folder where `npm install world-atlas topojson-client` was run):
//   node /path/to/tools/landdata.mjs > /path/to/geo/landdata.cpp
//   node /path/to/tools/landdata.mjs world > /path/to/geo/worldland.cpp
// See tools/landdata.md for the whole procedure.

import { readFileSync } from "node:fs";
import { createRequire } from "node:module";
import { join } from "node:path";

// The packages live in the caller's node_modules, not beside this script.
const require = createRequire(join(process.cwd(), "noop.js"));
const topojson = require("topojson-client");
const atlasVersion = require("world-atlas/package.json").version;

// Each map: its bounds, its source scale, and the Douglas-Peucker tolerance and smallest ring
// kept, in degrees and square degrees.
const maps = {
    "north-atlantic": {
        west: -60, east: 60, south: -15, north: 85, atlas: "land-50m.json", scaleText: "1:50 million",
        tolerance: 0.05, minArea: 0.02, table: "LandPoints", starts: "LandRingStarts", points: "landPoints",
        rings: "landRingStarts", file: "landdata.cpp", title: "Land of the Marsden square map, 60W to 60E and 15S to 85N",
    },
    world: {
        west: -180, east: 180, south: -90, north: 90, atlas: "land-110m.json", scaleText: "1:110 million",
        tolerance: 0.1, minArea: 0.1, table: "WorldLandPoints", starts: "WorldLandRingStarts",
        points: "worldLandPoints", rings: "worldLandRingStarts", file: "worldland.cpp",
        title: "Land of the world Marsden square map, 180W to 180E and 90S to 90N",
    },
};
const mapName = process.argv[2] || "north-atlantic";
const map = maps[mapName];
if (!map) throw new Error(`no map ${mapName}: north-atlantic or world`);
const atlasFile = require.resolve(`world-atlas/${map.atlas}`);
const { west, east, south, north, tolerance, minArea } = map;
// Coordinates are stored in hundredths of a degree.
const scale = 100;

function clipEdge(ring, inside, cross) {
    const out = [];
    for (let i = 0; i < ring.length; ++i) {
        const cur = ring[i];
        const prev = ring[(i + ring.length - 1) % ring.length];
        if (inside(cur)) {
            if (!inside(prev)) out.push(cross(prev, cur));
            out.push(cur);
        } else if (inside(prev)) {
            out.push(cross(prev, cur));
        }
    }
    return out;
}

const atLon = (lon) => (a, b) => [lon, a[1] + ((b[1] - a[1]) * (lon - a[0])) / (b[0] - a[0])];
const atLat = (lat) => (a, b) => [a[0] + ((b[0] - a[0]) * (lat - a[1])) / (b[1] - a[1]), lat];

// Sutherland-Hodgman against the map rectangle; the ring is open (last point != first).
function clip(ring) {
    ring = clipEdge(ring, (p) => p[0] >= west, atLon(west));
    ring = clipEdge(ring, (p) => p[0] <= east, atLon(east));
    ring = clipEdge(ring, (p) => p[1] >= south, atLat(south));
    ring = clipEdge(ring, (p) => p[1] <= north, atLat(north));
    return ring;
}

// Rings that cross the 180th meridian jump from -180 to 180 and back; keep their longitudes
// continuous so that the jump does not become an edge across the whole map, with most of the
// ring left at its own longitudes.
function unwrap(ring) {
    const shifts = [0];
    for (let i = 1; i < ring.length; ++i) {
        const step = ring[i][0] - ring[i - 1][0];
        let shift = shifts[i - 1];
        if (step > 180) shift -= 360;
        else if (step < -180) shift += 360;
        shifts.push(shift);
    }
    const counts = new Map();
    for (const shift of shifts) counts.set(shift, (counts.get(shift) || 0) + 1);
    const usual = [...counts.entries()].reduce((a, b) => (b[1] > a[1] ? b : a))[0];
    return ring.map((p, i) => [p[0] + shifts[i] - usual, p[1]]);
}

function segmentDistance(p, a, b) {
    const dx = b[0] - a[0], dy = b[1] - a[1];
    const len2 = dx * dx + dy * dy;
    let t = len2 === 0 ? 0 : ((p[0] - a[0]) * dx + (p[1] - a[1]) * dy) / len2;
    t = Math.max(0, Math.min(1, t));
    return Math.hypot(p[0] - a[0] - t * dx, p[1] - a[1] - t * dy);
}

function simplifyLine(points) {
    const keep = new Array(points.length).fill(false);
    keep[0] = keep[points.length - 1] = true;
    const stack = [[0, points.length - 1]];
    while (stack.length) {
        const [first, last] = stack.pop();
        let worst = -1, worstDistance = tolerance;
        for (let i = first + 1; i < last; ++i) {
            const d = segmentDistance(points[i], points[first], points[last]);
            if (d > worstDistance) {
                worst = i;
                worstDistance = d;
            }
        }
        if (worst >= 0) {
            keep[worst] = true;
            stack.push([first, worst], [worst, last]);
        }
    }
    return points.filter((_, i) => keep[i]);
}

// A closed ring is split at its point farthest from the first, so both halves have distinct ends.
function simplify(ring) {
    if (ring.length < 4) return ring;
    let far = 0, farDistance = -1;
    for (let i = 1; i < ring.length; ++i) {
        const d = Math.hypot(ring[i][0] - ring[0][0], ring[i][1] - ring[0][1]);
        if (d > farDistance) {
            far = i;
            farDistance = d;
        }
    }
    const a = simplifyLine(ring.slice(0, far + 1));
    const b = simplifyLine([...ring.slice(far), ring[0]]);
    return [...a, ...b.slice(1, -1)];
}

function area(ring) {
    let sum = 0;
    for (let i = 0; i < ring.length; ++i) {
        const a = ring[i], b = ring[(i + 1) % ring.length];
        sum += a[0] * b[1] - b[0] * a[1];
    }
    return Math.abs(sum) / 2;
}

function quantize(ring) {
    const out = [];
    for (const [lon, lat] of ring) {
        const p = [Math.round(lon * scale), Math.round(lat * scale)];
        const last = out[out.length - 1];
        if (!last || last[0] !== p[0] || last[1] !== p[1]) out.push(p);
    }
    while (out.length > 1 && out[0][0] === out[out.length - 1][0] && out[0][1] === out[out.length - 1][1]) out.pop();
    return out;
}

const topology = JSON.parse(readFileSync(atlasFile, "utf8"));
const land = topojson.feature(topology, topology.objects.land);
const rings = [];
let sourcePoints = 0;
// A ring made continuous across the 180th meridian runs past it on the whole world's map: the
// part past it is the same ring moved by 360 degrees.
const shifts = west === -180 && east === 180 ? [-360, 0, 360] : [0];
for (const feature of land.features) {
    const polygons = feature.geometry.type === "Polygon" ? [feature.geometry.coordinates] : feature.geometry.coordinates;
    for (const polygon of polygons) {
        for (const closed of polygon) {
            const unwrapped = unwrap(closed.slice(0, -1));
            for (const shift of shifts) {
                const ring = unwrapped.map((p) => [p[0] + shift, p[1]]);
                if (ring.every((p) => p[0] < west || p[0] > east || p[1] < south || p[1] > north)) continue;
                const clipped = clip(ring);
                sourcePoints += clipped.length;
                if (clipped.length < 3 || area(clipped) < minArea) continue;
                const done = quantize(simplify(clipped));
                if (done.length >= 3) rings.push(done);
            }
        }
    }
}

const pointCount = rings.reduce((n, r) => n + r.length, 0);
const lines = [];
lines.push(`// ${map.title}; generated by tools/landdata.mjs, do not edit.`);
lines.push("//");
lines.push(`// Source: Natural Earth land polygons at ${map.scaleText}, ${map.atlas} of the npm package world-atlas ${atlasVersion}.`);
lines.push("// Made with Natural Earth. Free vector and raster map data @ naturalearthdata.com, public domain.");
lines.push(`// Clipped to the map, simplified with a tolerance of ${tolerance} degrees, rings under ${minArea} square`);
lines.push(`// degrees dropped: ${rings.length} rings, ${pointCount} points from ${sourcePoints} clipped source points.`);
lines.push("// Regenerate: cd <folder with npm install world-atlas topojson-client> &&");
lines.push(`//   node <repo>/tools/landdata.mjs${mapName === "north-atlantic" ? "" : " " + mapName} > <repo>/geo/${map.file}`);
lines.push('#include "geo/landdata.h"');
lines.push("");
lines.push("namespace geo {");
lines.push("");
lines.push("namespace {");
lines.push("");
lines.push("// Eight points a line, as generated.");
lines.push("// clang-format off");
lines.push(`constexpr LandPoint ${map.table}[] = {`);
for (const ring of rings) {
    for (let i = 0; i < ring.length; i += 8) {
        const row = ring.slice(i, i + 8).map(([lon, lat]) => `{${lon}, ${lat}}`);
        lines.push("    " + row.join(", ") + ",");
    }
}
lines.push("};");
lines.push("");
const starts = [];
let start = 0;
for (const ring of rings) {
    starts.push(start);
    start += ring.length;
}
starts.push(start);
lines.push(`constexpr std::uint32_t ${map.starts}[] = {`);
for (let i = 0; i < starts.length; i += 12) lines.push("    " + starts.slice(i, i + 12).join(", ") + ",");
lines.push("};");
lines.push("");
lines.push("// clang-format on");
lines.push("");
lines.push("} // namespace");
lines.push("");
lines.push(`std::span<const LandPoint> ${map.points}() {`);
lines.push(`    return ${map.table};`);
lines.push("}");
lines.push("");
lines.push(`std::span<const std::uint32_t> ${map.rings}() {`);
lines.push(`    return ${map.starts};`);
lines.push("}");
lines.push("");
lines.push("} // namespace geo");
process.stdout.write(lines.join("\n") + "\n");
