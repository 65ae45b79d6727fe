# Sourced by the dialog tests: a virtual X display for the time of a test.
# start_virtual_display starts Xvfb on a free display number and exports
# DISPLAY; stop_virtual_display ends it.

virtual_display_pid=""

start_virtual_display() {
    local number_file attempt
    number_file=$(mktemp)
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$number_file" >/dev/null 2>&1 &
    virtual_display_pid=$!
    for attempt in $(seq 100); do
        [ -s "$number_file" ] && break
        sleep 0.05
    done
    [ -s "$number_file" ] || { echo "Xvfb did not start" >&2; return 1; }
    DISPLAY=":$(tr -d '\n' < "$number_file")"
    export DISPLAY
    rm -f "$number_file"
}

stop_virtual_display() {
    if [ -n "$virtual_display_pid" ]; then
        kill "$virtual_display_pid" 2>/dev/null || true
        wait "$virtual_display_pid" 2>/dev/null || true
        virtual_display_pid=""
    fi
}

# Waits until a file holds a line, for at most the given seconds.
wait_for_line() {
    local file=$1 line=$2 seconds=$3
    local deadline=$((SECONDS + seconds))
    until tr -d '\r' < "$file" | grep -qxF "$line"; do
        [ $SECONDS -lt $deadline ] || return 1
        sleep 0.1
    done
}
