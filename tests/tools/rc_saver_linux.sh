#!/bin/bash
# A Linux program saving Warble.rc while the shell under Wine writes it, for the tests'
# races; Windows' sharing rules do not reach it.
#   rc_saver_linux.sh HOW PATH COUNT RESULT
#     COUNT times: reads the file, checks that it still holds the line of its last save,
#     sets that line to the next save's and saves the file whole, HOW: "inplace"
#     (truncated and written) or "rename" (a temporary file renamed over it); pauses
#     0-12 ms between saves and checks the last save once more at the end. Writes
#     "saves N lost L" to RESULT when done. Ends by itself within a minute whatever
#     happens, as nothing waits for it but the RESULT file.
set -u
how=$1 path=$2 count=$3 result=$4
marker='Warble.plugin.idle.message: save '
deadline=$((SECONDS + 60))

# The number of the last save in the file (-1 when none); text is left without its line.
read_saved() {
    text=
    IFS= read -r -d '' text <"$path" || true
    found=-1
    if [[ $text =~ $marker([0-9]+)$'\r'?$'\n' ]]; then
        found=${BASH_REMATCH[1]}
        text=${text/"${BASH_REMATCH[0]}"/}
    fi
}

made=0 lost=0
while ((made < count && SECONDS < deadline)); do
    read_saved
    ((made > 0 && found != made - 1)) && ((lost++))
    line="$marker$made"$'\r\n'
    if [ "$how" = inplace ]; then
        printf '%s' "$text$line" >"$path"
    else
        printf '%s' "$text$line" >"$path.linux" && mv -f "$path.linux" "$path"
    fi
    ((made++))
    sleep "0.$(printf '%03d' $((made * 5 % 13)))"
done
read_saved
((made > 0 && found != made - 1)) && ((lost++))
printf 'saves %d lost %d\n' "$made" "$lost" >"$result.part" && mv -f "$result.part" "$result"
