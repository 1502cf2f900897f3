# The three loops that bench/compare times and bench/icount counts, written as each language
# has it, and what both need to run them. Sourced, not run; the caller sets WORK (a scratch
# folder), QJINTP (the host) and PYTHON (python3's own executable, not a version manager's
# wrapper, which would start before it and be measured with it).
#
# The loops: "i += 1" under a While; the same with "k = GetLenght( s )" in the body; the same
# calling a procedure whose body is "i += 1". Each runs with its bound written in the loop's
# condition ("i <= 1000"), and with it held in a variable ("i != n", the loops named with
# "-n"), which a condition must look up as it does "i". The count runs from 1, so that no
# program needs a negative number for zero passes; every peer prints where i ended, which is
# checked.
# shellcheck shell=bash disable=SC2016  # the programs' own $ stay as they are

LANGS=(qjintp python3 bash tclsh perl lua5.4)
LOOPS=(add len call add-n len-n call-n)

# The column title of a loop in the tables.
loop_title() {
    local bound='literal bound'
    [[ $1 == *-n ]] && bound='bound in `n`'
    case ${1%-n} in
        add) echo "\`i += 1\`, $bound" ;;
        len) echo "\`i += 1\`, \`k = GetLenght( s )\`, $bound" ;;
        call) echo "\`Step\` (a procedure doing \`i += 1\`), $bound" ;;
    esac
}

# Writes the loop LOOP of COUNT passes as LANG writes it, and prints the file's path. The bound
# goes into the condition as COND's text, where "$n" stands for it: the number itself, or a
# variable n that holds one past it.
write_program() {
    local lang=$1 loop=$2 count=$3 file body cond n=0
    file=$WORK/$loop-$count.$lang
    if [[ $loop == *-n ]]; then
        n=$((count + 1))
        cond=('!=' n)
    else
        cond=('<=' "$count")
    fi
    case $lang in
        qjintp)
            case ${loop%-n} in
                add) body='i += 1' ;;
                len) body=$'i += 1\nk = GetLenght( s )' ;;
                call) body='Step' ;;
            esac
            printf 'Declare\nNumber i = 1\nNumber n = %d\nNumber k = 0\nString s = "hello, world"\nEndDeclare\n' "$n"
            printf 'Main\nWhile ( i %s %s )\n%s\nEndWhile\nEndMain\n' "${cond[@]}" "$body"
            printf 'Proc Step\ni += 1\nEndProc\n' ;;
        python3)
            case ${loop%-n} in
                add) body='    i += 1' ;;
                len) body=$'    i += 1\n    k = len(s)' ;;
                call) body='    step()' ;;
            esac
            printf 'def step():\n    global i\n    i += 1\n'
            printf 'i = 1\nn = %d\nk = 0\ns = "hello, world"\nwhile i %s %s:\n%s\nprint(i)\n' "$n" "${cond[@]}" "$body" ;;
        bash)
            case ${loop%-n} in
                add) body='    ((i += 1))' ;;
                len) body=$'    ((i += 1))\n    k=${#s}' ;;
                call) body='    step' ;;
            esac
            printf 'step() { ((i += 1)); }\n'
            printf 'i=1\nn=%d\nk=0\ns="hello, world"\nwhile ((i %s %s)); do\n%s\ndone\necho "$i"\n' "$n" "${cond[@]}" "$body" ;;
        tclsh)
            case ${loop%-n} in
                add) body='    incr i' ;;
                len) body=$'    incr i\n    set k [string length $s]' ;;
                call) body='    step' ;;
            esac
            [[ $loop == *-n ]] && cond=('!=' '$n')
            printf 'proc step {} { global i; incr i }\n'
            printf 'set i 1\nset n %d\nset k 0\nset s "hello, world"\nwhile {$i %s %s} {\n%s\n}\nputs $i\n' "$n" "${cond[@]}" "$body" ;;
        perl)
            case ${loop%-n} in
                add) body='    $i += 1;' ;;
                len) body=$'    $i += 1;\n    $k = length($s);' ;;
                call) body='    step();' ;;
            esac
            [[ $loop == *-n ]] && cond=('!=' '$n')
            printf 'our $i = 1;\nour $n = %d;\nour $k = 0;\nour $s = "hello, world";\nsub step { $i += 1; }\n' "$n"
            printf 'while ($i %s %s) {\n%s\n}\nprint "$i\\n";\n' "${cond[@]}" "$body" ;;
        lua5.4)
            case ${loop%-n} in
                add) body='    i = i + 1' ;;
                len) body=$'    i = i + 1\n    k = #s' ;;
                call) body='    step()' ;;
            esac
            [[ $loop == *-n ]] && cond=('~=' n)
            printf 'local i = 1\nlocal n = %d\nlocal k = 0\nlocal s = "hello, world"\n' "$n"
            printf 'local function step() i = i + 1 end\n'
            printf 'while i %s %s do\n%s\nend\nprint(i)\n' "${cond[@]}" "$body" ;;
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
