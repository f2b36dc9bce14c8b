#!/bin/bash
# A programming tool that records what it is given and plays back a plan, so
# the window's handling of output and endings can be driven exactly.
#
# FAKE_OPENOCD_ARGS  file that receives the arguments, each followed by NUL
# FAKE_OPENOCD_RUNS  file that gets one line appended per start
# FAKE_OPENOCD_PLAN  file of steps, one per line:
#   out FORMAT        printf FORMAT (escapes such as \r\n work), one write
#   sleep SECONDS     pause
#   once MARK FORMAT  like out, but only while file MARK does not exist; creates it
#   touch FILE        create FILE (tells a test that output has been written)
#   hang              wait until killed
#   hangonce MARK     like hang, but only while file MARK does not exist; creates it
#   crash             end by SIGKILL
#   exit CODE         end with CODE
if [ -n "${FAKE_OPENOCD_ARGS:-}" ]; then
    printf '%s\0' "$@" > "$FAKE_OPENOCD_ARGS"
fi
if [ -n "${FAKE_OPENOCD_RUNS:-}" ]; then
    echo started >> "$FAKE_OPENOCD_RUNS"
fi
[ -n "${FAKE_OPENOCD_PLAN:-}" ] || exit 0
while IFS= read -r line; do
    verb="${line%% *}"
    rest="${line#* }"
    case "$verb" in
        out) printf "$rest" ;;
        sleep) sleep "$rest" ;;
        once)
            mark="${rest%% *}"
            if [ ! -e "$mark" ]; then
                : > "$mark"
                printf "${rest#* }"
            fi
            ;;
        touch) : > "$rest" ;;
        # Waits in a builtin, so that no child of another name outlives a
        # kill while holding the output pipe.
        hang) while :; do read -r -t 1 _ || sleep 0.1; done ;;
        hangonce)
            if [ ! -e "$rest" ]; then
                : > "$rest"
                while :; do read -r -t 1 _ || sleep 0.1; done
            fi
            ;;
        crash) kill -KILL $$ ;;
        exit) exit "$rest" ;;
    esac
done < "$FAKE_OPENOCD_PLAN"
exit 0
