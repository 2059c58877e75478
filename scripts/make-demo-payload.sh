#!/usr/bin/env bash
# Packs the demo payload Setup.Dat from demo/payload/ and, when given, the
# server programs. It does not build mkpayload: run scripts/build.sh first.
#
#   scripts/make-demo-payload.sh [--servers DIR] [--staging DIR] [MKPAYLOAD [OUTPUT]]
#
#   MKPAYLOAD      the packer to run               (default: dist/linux/mkpayload)
#   OUTPUT         the archive to write            (default: dist/Setup.Dat)
#   --servers DIR  a folder holding smtp.exe, pop3.exe and control.exe
#   --staging DIR  where the payload is assembled  (default: build/demo-payload)
#
# Relative paths are taken from the top of the repository.
set -euo pipefail
cd "$(dirname "$0")/.."

usage() {
    sed -n '2,12s/^# \{0,1\}//p' "$0"
}

servers=""
staging=build/demo-payload
positional=()
while [ $# -gt 0 ]; do
    case $1 in
        --servers) [ $# -ge 2 ] || { echo "make-demo-payload: --servers needs a folder" >&2; exit 2; }
                   servers=$2; shift 2 ;;
        --staging) [ $# -ge 2 ] || { echo "make-demo-payload: --staging needs a folder" >&2; exit 2; }
                   staging=$2; shift 2 ;;
        -h|--help) usage; exit 0 ;;
        -*) echo "make-demo-payload: unknown option $1" >&2; usage >&2; exit 2 ;;
        *) positional+=("$1"); shift ;;
    esac
done
[ ${#positional[@]} -le 2 ] || { echo "make-demo-payload: too many arguments" >&2; usage >&2; exit 2; }
mkpayload=${positional[0]:-dist/linux/mkpayload}
output=${positional[1]:-dist/Setup.Dat}

if [ ! -x "$mkpayload" ]; then
    echo "make-demo-payload: $mkpayload is not there; build it first (scripts/build.sh)" >&2
    exit 2
fi

rm -rf "$staging"
mkdir -p "$staging" "$(dirname "$output")"
cp demo/payload/* "$staging/"
# The product's text files come with Windows line ends; the pictures stay as they are.
for file in "$staging"/*; do
    case $file in
        *.gif) ;;
        *) sed -i 's/\r*$/\r/' "$file" ;;
    esac
done

left_out=()  # the servers that are not packed
if [ -z "$servers" ]; then
    echo "make-demo-payload: no --servers folder: smtp.exe, pop3.exe and control.exe are left out"
    left_out=(smtp.exe pop3.exe control.exe)
else
    for program in smtp.exe pop3.exe control.exe; do
        if [ -f "$servers/$program" ]; then
            cp "$servers/$program" "$staging/"
        else
            echo "make-demo-payload: $servers/$program is not there; it is left out"
            left_out+=("$program")
        fi
    done
fi

"$mkpayload" pack "$staging" -o "$output" --verbose

# The servers left out are the only files the check may find missing.
report=$("$mkpayload" check "$output") && status=0 || status=$?
printf '%s\n' "$report"
missing=$(printf '%s\n' "$report" | sed -n '/^missing (/,/^[^ ]/s/^  //p')
if [ $status -gt 1 ] || [ "$missing" != "$(printf '%s\n' "${left_out[@]}")" ]; then
    echo "make-demo-payload: $output fails its check" >&2
    exit 1
fi
if [ ${#left_out[@]} -gt 0 ]; then
    echo "make-demo-payload: wrote $output without ${left_out[*]}; the installation needs them"
else
    echo "make-demo-payload: wrote $output"
fi
