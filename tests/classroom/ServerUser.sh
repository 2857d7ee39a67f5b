# Sourced by the class server's shell tests. PostgreSQL refuses to run as root: run as root, the
# server's commands (and what must act as the server's own account) run as nobody.
as_server() {
  if [ "$(id -u)" -eq 0 ]; then
    setpriv --reuid=nobody --regid=nogroup --clear-groups -- "$@"
  else
    "$@"
  fi
}
