#!/usr/bin/env bash
# Writes the fuzz seed corpora made from the simulated modem's answers:
#   fuzz/corpus/piece_decoder/sim_*  single "%b64:" pieces, some damaged
#   fuzz/corpus/dump_answer/sim_*    whole dump answers as the command exchange cleans them
# Usage: sim/make_corpora.sh [path to nvmsim]
set -euo pipefail
cd "$(dirname "$0")/.."
sim=${1:-build-sim/bin/nvmsim}
pieces=fuzz/corpus/piece_decoder
answers=fuzz/corpus/dump_answer
mkdir -p "$pieces" "$answers"
rm -f "$pieces"/sim_* "$answers"/sim_*

# The answer without its final OK line and without CR, trimmed.
cleaned() { "$sim" "$@" | tr -d '\r' | sed '$d' | sed -e '/./,$!d'; }

# Pieces: every record of one group of each naming style.
n=0
for naming in indexed suffixed; do
    while IFS= read -r piece; do
        n=$((n + 1))
        printf '%s' "$piece" > "$pieces/sim_${naming}_$n"
    done < <(cleaned --naming "$naming" --answer 'at@nvm:dump_csv_add("fix_sar_ctrl")')
done
# One long array record (cut at 1000 elements).
cleaned --answer 'at@nvm:dump_csv_add("cal_t8x_lut")' | grep -m1 -E '^.{3000,}' | tr -d '\n' > "$pieces/sim_long_array"
# Damaged pieces: a bad character, cut short, wrong marker case, a length that is no multiple of 4, marker only.
first=$(cleaned --answer 'at@nvm:dump_csv_add("fix_sar_ctrl")' | head -1)
cleaned --corrupt-piece 1 --answer 'at@nvm:dump_csv_add("fix_sar_ctrl")' | head -1 | tr -d '\n' > "$pieces/sim_bad_character"
cleaned --corrupt-piece 1 --corrupt-mode truncate --answer 'at@nvm:dump_csv_add("fix_sar_ctrl")' | head -1 | tr -d '\n' > "$pieces/sim_truncated"
printf '%s' "${first/\%b64:/%B64:}" > "$pieces/sim_marker_case"
printf '%s' "${first%?}" > "$pieces/sim_length_not_multiple_of_4"
printf '%%b64:' > "$pieces/sim_marker_only"
printf '%%b64:====' > "$pieces/sim_padding_only"

# Whole answers of a few groups, as the editor's exchange hands them on.
for group in fix_sar_ctrl dyn_sms_cfg hyb_misc fix_t8x_lut_setcal; do
    cleaned --answer "at@nvm:dump_csv_add(\"$group\")" > "$answers/sim_$group"
    cleaned --naming suffixed --answer "at@nvm:dump_csv_add(\"$group\")" > "$answers/sim_${group}_suffixed"
done
cleaned --corrupt-piece 3 --answer 'at@nvm:dump_csv_add("dyn_sms_cfg")' > "$answers/sim_damaged_piece"
printf 'garbage before %s\n' "$(cat "$answers/sim_hyb_misc")" > "$answers/sim_text_before"
du -sh fuzz/corpus
