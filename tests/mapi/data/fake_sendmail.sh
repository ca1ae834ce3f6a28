#!/bin/sh
# Stands in for sendmail: records its arguments (one a line) in $OB_FAKE_SENDMAIL_OUT.args
# and its input in $OB_FAKE_SENDMAIL_OUT, then ends as $OB_FAKE_SENDMAIL_MODE says.
out="${OB_FAKE_SENDMAIL_OUT:?}"
printf '%s\n' "$@" > "$out.args"
case "${OB_FAKE_SENDMAIL_MODE:-ok}" in
ok)
    cat > "$out"
    ;;
refuse)
    cat > "$out"
    echo "fake-sendmail: recipient refused" >&2
    exit 67
    ;;
noread)
    echo "fake-sendmail: not reading today" >&2
    exit 0
    ;;
signal)
    cat > "$out"
    kill -TERM $$
    ;;
hang)
    cat > "$out"
    exec sleep 60
    ;;
esac
