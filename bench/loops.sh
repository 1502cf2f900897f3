# The three loops that bench/compare times and bench/icount counts, written as each language
# has it, and what both need to run them. Sourced, not run; the caller sets WORK (a scratch
# folder), QJINTP (the host) and PYTHON (python3's own executable, not a version manager's
# wrapper, which would start before it and be measured with it).
#
# The loops: "i += 1" under a While; the same with "n = GetLenght( s )" in the body; the same
# calling a procedure whose body is "i += 1". The count runs from 1, so that no program needs a
# negative number for zero passes; every peer prints where i ended, which is checked.
# shellcheck shell=bash disable=SC2016  # the programs' own $ stay as they are

LANGS=(qjintp python3 bash tclsh perl lua5.4)
LOOPS=(add len call)

# Writes the loop LOOP of COUNT passes as LANG writes it, and prints the file's path.
write_program() {
    local lang=$1 loop=$2 count=$3 file body
    file=$WORK/$loop-$count.$lang
    case $lang in
        qjintp)
            case $loop in
                add) body='i += 1' ;;
                len) body=$'i += 1\nn = GetLenght( s )' ;;
                call) body='Step' ;;
            esac
            printf 'Declare\nNumber i = 1\nNumber n = 0\nString s = "hello, world"\nEndDeclare\n'
            printf 'Main\nWhile ( i <= %d )\n%s\nEndWhile\nEndMain\n' "$count" "$body"
            printf 'Proc Step\ni += 1\nEndProc\n' ;;
        python3)
            case $loop in
                add) body='    i += 1' ;;
                len) body=$'    i += 1\n    n = len(s)' ;;
                call) body='    step()' ;;
            esac
            printf 'def step():\n    global i\n    i += 1\n'
            printf 'i = 1\nn = 0\ns = "hello, world"\nwhile i <= %d:\n%s\nprint(i)\n' "$count" "$body" ;;
        bash)
            case $loop in
                add) body='    ((i += 1))' ;;
                len) body=$'    ((i += 1))\n    n=${#s}' ;;
                call) body='    step' ;;
            esac
            printf 'step() { ((i += 1)); }\n'
            printf 'i=1\nn=0\ns="hello, world"\nwhile ((i <= %d)); do\n%s\ndone\necho "$i"\n' "$count" "$body" ;;
        tclsh)
            case $loop in
                add) body='    incr i' ;;
                len) body=$'    incr i\n    set n [string length $s]' ;;
                call) body='    step' ;;
            esac
            printf 'proc step {} { global i; incr i }\n'
            printf 'set i 1\nset n 0\nset s "hello, world"\nwhile {$i <= %d} {\n%s\n}\nputs $i\n' "$count" "$body" ;;
        perl)
            case $loop in
                add) body='    $i += 1;' ;;
                len) body=$'    $i += 1;\n    $n = length($s);' ;;
                call) body='    step();' ;;
            esac
            printf 'our $i = 1;\nour $n = 0;\nour $s = "hello, world";\nsub step { $i += 1; }\n'
            printf 'while ($i <= %d) {\n%s\n}\nprint "$i\\n";\n' "$count" "$body" ;;
        lua5.4)
            case $loop in
                add) body='    i = i + 1' ;;
                len) body=$'    i = i + 1\n    n = #s' ;;
                call) body='    step()' ;;
            esac
            printf 'local i = 1\nlocal n = 0\nlocal s = "hello, world"\n'
            printf 'local function step() i = i + 1 end\n'
            printf 'while i <= %d do\n%s\nend\nprint(i)\n' "$count" "$body" ;;
    esac >"$file"
    echo "$file"
}

# The command that runs FILE in LANG, into the array named by the first argument.
command_for() {
    local -n cmd_=$1
    local lang=$2 file=$3
    case $lang in
        qjintp) cmd_=("$QJINTP" -o NT "$file") ;;
        python3) cmd_=("$PYTHON" "$file") ;;
        *) cmd_=("$lang" "$file") ;;
    esac
}

# Whether the run of COUNT passes in LANG, whose output is in OUT, got to its end; qjintp's
# output is its start message and its exit status says that.
ran_to_end() {
    local lang=$1 count=$2 out=$3
    [[ $lang == qjintp || $(<"$out") == "$((count + 1))" ]]
}

available() { [[ $1 == qjintp ]] || command -v "$1" >/dev/null; }

python_itself() { python3 -c 'import sys; print(sys.executable)'; }

# 1234567 as 1,234,567.
thousands() { sed ':a; s/\B[0-9]\{3\}\>/,&/; ta' <<<"$1"; }

# Prints the comment block at the top of the script as its help.
print_help() { awk 'NR > 1 && !/^#/ { exit } NR > 1 && !/shellcheck/ { sub(/^# ?/, ""); print }' "$1"; }

# Replaces everything between README.md's two marker lines named NAME with TABLE.
replace_readme_table() {
    local name=$1 table=$2 readme=$REPO/README.md
    TABLE=$table awk -v begin="<!-- $name:begin" -v end="<!-- $name:end" '
        index($0, begin) == 1 { print; print ENVIRON["TABLE"]; skip = 1; next }
        index($0, end) == 1 { skip = 0 }
        !skip' "$readme" >"$WORK/README.md"
    cp "$WORK/README.md" "$readme"
}
