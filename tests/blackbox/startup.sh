#!/usr/bin/env bash
# Start-up of the built installer: the single-instance guard, closing running copies of
# the product, and a hidden unattended run with nothing to do.
. "$(dirname "$0")/lib.sh" "$@"

# A hidden run with -u and no product installed has nothing to do and ends with 0.
run_wine "$INSTALLER" -h -u
check_eq "hidden unattended run without the product ends with 0" 0 $?

# While another process holds the single-instance mutex, the installer ends with -1 at
# once and never creates its window. The mutex's name is the one other installers of the
# product use, written out here in full.
ready=$SCRATCH/mutex.ready; stop=$SCRATCH/mutex.stop
start_wine "$HELPERS/mutex_holder.exe" "$(winpath "$ready")" "$(winpath "$stop")" \
  'Velto Quillstation-Installation- Mutex-{CE132523-F3BB-4e58-9609-D51FA5A2A65E}'
holder=$LAST_PID
check "mutex holder is ready" wait_for_file "$ready"
run_wine "$INSTALLER" -h -u
check_eq "installer ends with -1 (255) while the mutex is held" 255 $?
# In the background: an installer that missed the mutex would keep its window open.
start_wine "$INSTALLER"
wait_exit "$LAST_PID"
check_eq "also when started for an interactive run" 255 $?
windows=$(xdotool search --name "Velto Quillstation Installation" 2>/dev/null | wc -l)
check_eq "no installer window exists" 0 "$windows"
touch "$stop"; wait "$holder"

# Starting the installer posts WM_DESTROY to every top-level window titled exactly
# "Quillstation", and to no other.
ready=$SCRATCH/owner.ready; stop=$SCRATCH/owner.stop; log=$SCRATCH/owner.log
start_wine "$HELPERS/window_owner.exe" "$(winpath "$ready")" "$(winpath "$stop")" "$(winpath "$log")" \
  Quillstation quillstation Quillstation2
owner=$LAST_PID
check "window owner is ready" wait_for_file "$ready"
run_wine "$INSTALLER" -h -u
check_eq "installer run beside the product windows ends with 0" 0 $?
touch "$stop"; wait "$owner"
check_eq "only the window titled exactly Quillstation got WM_DESTROY" "Quillstation" "$(tr -d '\r' < "$log" 2>/dev/null)"

finish
