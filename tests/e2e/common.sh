# Sourced by the end-to-end scripts.

wait_for() {  # wait_for SECONDS COMMAND...: polls until the command succeeds
    local limit=$1; shift
    for _ in $(seq $((limit * 10))); do "$@" && return 0; sleep 0.1; done
    return 1
}
