# Bash completion for kovel_cdr, as ros2's completes: commands; each command's options, read
# from its --help; the values of the options that have a fixed set; type names where a
# command takes a TYPE (from `kovel_cdr types`); topic and service names where it takes one,
# when a graph answers within a second; the type's default message as VALUES of pub and
# call; files where it reads one. setup.bash loads it.
[ -n "${BASH_VERSION:-}" ] || return 0

# "OPTION v" for an option that takes a value, "OPTION f" for a flag, one a line: those of
# the usage line, "[--hex] [-1 | -t N]", and the option lines, "  -r HZ, --rate HZ    text".
_kovel_cdr_options() {
  kovel_cdr "$1" --help 2>/dev/null | awk 'NR == 1 {
    line = $0
    gsub(/ \| /, "] [", line)
    while (match(line, /\[-[-a-zA-Z0-9]+( [A-Z][A-Z_]*)?\]/)) {
      n = split(substr(line, RSTART + 1, RLENGTH - 2), word, " ")
      print word[1], (n > 1 ? "v" : "f")
      line = substr(line, RSTART + RLENGTH)
    }
  }
  /^  -/ {
    names = substr($0, 3)
    sub(/  +.*/, "", names)
    n = split(names, parts, ", ")
    for (i = 1; i <= n; i++) {
      split(parts[i], word, " ")
      print word[1], (word[2] ~ /^[A-Z][A-Z_]*$/ ? "v" : "f")
    }
  }' | sort -u
}

# The names `kovel_cdr list` finds (--topics or --services), in the command line's domain.
_kovel_cdr_names() {
  local i domain=()
  for ((i = 2; i < ${#COMP_WORDS[@]} - 1; i++)); do
    [ "${COMP_WORDS[i]}" = --domain ] && domain=(--domain "${COMP_WORDS[i + 1]}")
  done
  kovel_cdr list "$@" "${domain[@]}" --timeout 1 2>/dev/null | awk '{print $1}'
}

# The types of kovel_camera_msgs, full and short; once a package's name and a slash are
# typed ("std_msgs/"), that package's, full and as PACKAGE/NAME.
_kovel_cdr_types() {
  local package=
  [[ $cur == */* ]] && package=${cur%%/*}
  kovel_cdr types $package 2>/dev/null | awk -v package="$package" -v services="$1" '
    services && $1 !~ /_Request$/ {next}
    {name = $1; if (services) sub(/_Request$/, "", name); n = split(name, part, "/");
     print name; print (package ? part[1] "/" part[n] : part[n])}'
}

_kovel_cdr_message_types() {
  _kovel_cdr_types ""
}

_kovel_cdr_service_types() {
  _kovel_cdr_types 1
}

_kovel_cdr() {
  local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD - 1]}
  local command=${COMP_WORDS[1]} words='' options i index=0
  COMPREPLY=()
  if [ "$COMP_CWORD" -eq 1 ]; then
    words=$(kovel_cdr --help 2>/dev/null | awk '/^commands:/ {on = 1; next}
      on && /^  [a-z]/ {print $1} on && /^$/ {exit}')
    mapfile -t COMPREPLY < <(compgen -W "$words" -- "$cur")
    return 0
  fi
  options=$(_kovel_cdr_options "$command")
  if [ "$COMP_CWORD" -ge 3 ] && grep -qxF -- "$prev v" <<<"$options"; then
    case $prev in
      --qos-profile) words='default sensor_data services_default system_default' ;;
      --qos-reliability) words='reliable best_effort' ;;
      --qos-durability) words='volatile transient_local' ;;
      --qos-history) words='keep_last keep_all' ;;
      --transport) words='udp shm both' ;;
      *) return 0 ;;  # a number or a name: nothing to offer
    esac
    mapfile -t COMPREPLY < <(compgen -W "$words" -- "$cur")
    return 0
  fi
  if [[ $cur == -* ]]; then
    words="-h --help $(awk '{print $1}' <<<"$options")"
    mapfile -t COMPREPLY < <(compgen -W "$words" -- "$cur")
    return 0
  fi
  # Which positional argument is being typed: the words before it, options and their
  # values left out.
  local positional=()
  for ((i = 2; i < COMP_CWORD; i++)); do
    if [[ ${COMP_WORDS[i]} == -?* ]]; then
      grep -qxF -- "${COMP_WORDS[i]} v" <<<"$options" && i=$((i + 1))
    else
      positional+=("${COMP_WORDS[i]}")
    fi
  done
  index=${#positional[@]}
  # The VALUES of pub and call, as ros2 offers them: the type's default message, quoted.
  if [ -z "$cur" ] && [[ $command:$index == pub:2 || $command:$index == call:2 ]]; then
    local type=${positional[1]}
    [ "$command" = call ] && type=${type}_Request
    words=$(echo '{}' | kovel_cdr encode "$type" 2>/dev/null |
      kovel_cdr decode "$type" --json --compact 2>/dev/null)
    if [ -n "$words" ]; then
      COMPREPLY=("'$words'")
      return 0
    fi
  fi
  case $command:$index in
    pub:0 | echo:0 | hz:0 | bw:0) words=$(_kovel_cdr_names --topics) ;;
    pub:1 | echo:1 | hz:1 | bw:1 | encode:0 | decode:0 | sizes:0)
      words=$(_kovel_cdr_message_types) ;;
    call:0) words=$(_kovel_cdr_names --services) ;;
    call:1) words=$(_kovel_cdr_service_types) ;;
    info:0) words=$(_kovel_cdr_names) ;;
    show:0) words="$(_kovel_cdr_message_types) $(_kovel_cdr_service_types)" ;;
    encode:1 | decode:1 | sizes:1 | pub:2 | call:2)
      compopt -o filenames 2>/dev/null
      mapfile -t COMPREPLY < <(compgen -f -- "$cur")
      return 0 ;;
  esac
  mapfile -t COMPREPLY < <(compgen -W "$words" -- "$cur")
}
complete -F _kovel_cdr kovel_cdr
