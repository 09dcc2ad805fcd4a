#!/usr/bin/env bash
# Renders screenshots of the editor into docs/screenshots/, offscreen:
#   nvmhost-start.png       the stand-in host just after start-up, groups listed, a stored selection applied
#   editor-after-read.png   the editor after reading three groups from the simulated modem
#   editor-filtered.png     the same grid narrowed by the parameter filter
#   progress.png            the progress window during that read
#   editor-states.png       the grid with an edited row not yet written and a written row not yet committed
#   diff-view.png           the difference window with one difference of each kind
#   diff-view-toggle.png    the same window with the "Missing" kind hidden
#   array-table.png         the array editor's table: a 7 x 7 gain table, a raised block selected, the colour scale
#   array-plot.png          the array editor's plot: a 1,500-point curve with an edited stretch beside the values read
#   array-heat-map.png      the array editor's plot of a 16 x 32 table as a heat map
#   pending-counts.png      the pending counts in the editor's status bar, the grid narrowed to the rows not committed
#   close-question.png      the question before the user closes the editor with changes not stored
#   review-load.png         the review of a file's changes before Load File merges the checked ones
#   restore-list.png        "Restore...": the restore points saved before writes, the newest first
#   unit-question.png       the question before Load File brings calibration values saved from another unit
# Usage: scripts/screenshots.sh [build directory, default build]
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build}
out=$PWD/docs/screenshots

cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$dir" -j2 --target nvmhost vtqnvm editor_host_tests dialogs_tests editor_safety_tests
mkdir -p "$out"
stamp=$(mktemp)
export QT_QPA_PLATFORM=offscreen

# A settings folder of its own, so the user's settings are neither used nor changed.
settings=$(mktemp -d)
trap 'rm -rf "$settings" "$stamp"' EXIT
mkdir -p "$settings/Korvale/Brevant"
printf '[Mode]\r\nNVMSelGroups=cal_t8x_lut,fix_t8x_lut,hyb_cust\r\n' >"$settings/Korvale/Brevant/Brevant.ini"
APPDATA=$settings "$dir/bin/nvmhost" --screenshot "$out/nvmhost-start.png"

# The end-to-end tests read from the simulated modem, edit and write; the
# dialog tests show the editors and a comparison; each saves its views when asked to.
VTQ_SCREENSHOT_DIR=$out "$dir/bin/editor_host_tests" --gtest_filter='HostEditorTest.ValuesEdited*' >/dev/null
VTQ_SCREENSHOT_DIR=$out "$dir/bin/dialogs_tests" --gtest_filter='ArrayViewsScreenshots.*:TFormDiffView.*' >/dev/null
VTQ_SCREENSHOT_DIR=$out "$dir/bin/editor_safety_tests" >/dev/null

# Every picture the README shows must come from this run.
stale=$(find "$out" -name '*.png' ! -newer "$stamp")
if [ -n "$stale" ]; then
    echo "Not rendered by this run:" >&2
    echo "$stale" >&2
    exit 1
fi
ls -1 "$out"/*.png
