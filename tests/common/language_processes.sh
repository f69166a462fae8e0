#!/usr/bin/env bash
# Starts the probe once per user language and checks the block it reports.
set -u
run=$1 probe=$2
fail=0
check() { # locale expected-langid expected-block
    local got
    got=$(LC_ALL=$1 "$run" "$probe" | tr -d '\r')
    if [ "$got" = "$2 $3" ]; then
        echo "ok   $1 -> $got"
    else
        echo "FAIL $1 -> '$got', expected '$2 $3'"
        fail=1
    fi
}
check de_CH.UTF-8 0807 3
check de_DE.UTF-8 0407 3
check sv_SE.UTF-8 041d 7
check pt_BR.UTF-8 0416 9
check pt_PT.UTF-8 0816 8
check ja_JP.UTF-8 0411 1
check fr_FR.UTF-8 040c 2
check da_DK.UTF-8 0406 1
check en_US.UTF-8 0409 1
exit $fail
