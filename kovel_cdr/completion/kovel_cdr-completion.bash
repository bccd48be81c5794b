# Bash completion for kovel_cdr: commands, each command's options, type names, and topic
# and service names when a graph answers within a second. Source it after setup.bash.
_kovel_cdr() {
  local cur=${COMP_WORDS[COMP_CWORD]} words
  if [ "$COMP_CWORD" -eq 1 ]; then
    words=$(kovel_cdr --help 2>/dev/null | awk '/^commands:/ {on = 1; next}
      on && /^  [a-z]/ {print $1} on && /^$/ {exit}')
  else
    case $cur in
      -*) words=$(kovel_cdr "${COMP_WORDS[1]}" --help 2>/dev/null | grep -o -- '--[a-z-]*[a-z]' |
            sort -u) ;;
      /*) words=$(kovel_cdr list --timeout 1 2>/dev/null | awk '{print $1}') ;;
      # Another package's types once its name is typed: "std_msgs/" lists std_msgs'.
      */*) words=$(kovel_cdr types "${cur%%/*}" 2>/dev/null | awk '{n = split($1, part, "/");
            print $1; print part[1] "/" part[n]}') ;;
      *) words=$(kovel_cdr types 2>/dev/null | awk '{n = split($1, part, "/");
            print $1; print part[n]}') ;;
    esac
  fi
  mapfile -t COMPREPLY < <(compgen -W "$words" -- "$cur")
}
complete -F _kovel_cdr kovel_cdr
