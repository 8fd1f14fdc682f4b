#!/bin/sh
# Writes the seed inputs of the platform fuzzers into the folder given: profile/, registry/, lines/.
# Profile inputs: section, key and value on the first three lines, the file's text after them.
# Registry inputs: the key path on the first line, the file's text after it.
set -eu
out=${1:?usage: make-seeds.sh <folder>}
mkdir -p "$out/profile" "$out/registry" "$out/lines"

p=$out/profile
printf 'OBRI\nPMS_DIR\n/pms/\n; settings\r\n[QUAV]\r\nPmss = "C:/q/pms.exe"\r\nLink=C:/q/l.exe\r\n\r\n[OBRI]\r\nPMS_DIR=/old/\r\n' >"$p/quav"
printf 'obri\nald_file\n/g/CG_GA.ALD\n[OBRI]\nPMS_DIR=a\n\n\n[QUAV]\nPmss=b\n' >"$p/append"
printf 'S\nk\nv\n' >"$p/empty-file"
printf 'S\nk\n\n\357\273\277[S]\r\nk='"'"'x'"'"'\r\n[S]\r\nk=2\r\n' >"$p/bom-quotes"
printf ' S \n k \nv\n[ S ]\n ;k=1\n[T\nk = 2 \nk=3\n' >"$p/blanks"

r=$out/registry
key='Software\Tolvarin\Susie\InstallRoot'
head="REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\\\Software\\\\Tolvarin\\\\Susie\\\\InstallRoot]\r\n"
printf '%s\n'"$head"'@="C:\\\\susie\\\\ \\"q\\""\r\n' "$key" >"$r/string"
printf '%s\n'"$head"'"Path"="x"\r\n@=dword:00000001\r\n' "$key" >"$r/dword"
printf '%s\n'"$head"'@=hex(2):43,3a,5c,\\\r\n  00,00\r\n' "$key" >"$r/expand"
printf '%s\n\357\273\277REGEDIT4\n[-HKEY_CURRENT_USER\\Software]\n[hkey_current_user\\software\\tolvarin\\susie\\installroot\\]\n @ = "/x" \n@=-\n' "$key" >"$r/delete"

l=$out/lines
printf 'a\r\nb\r\n' >"$l/crlf"
printf 'a\rb\nc\r\n\r\nlast' >"$l/mixed"
printf '\r\n\r\n' >"$l/empty-lines"
printf 'x\n\r' >"$l/lf-cr"
