# Sourced before tests that start JACK servers of their own. JACK keeps a table of running servers in
# /dev/shm with room for 8, and reclaims an entry only when a server of the same name starts again; a
# server that was killed leaves its entry behind. Test servers take names of their own, so after a few
# killed runs the table is full and every new server fails with "Too many servers already active".
# With no JACK server running on the machine, the table and its segments are only leftovers.
if ! pgrep -x jackd >/dev/null 2>&1 && ! pgrep -x jackdbus >/dev/null 2>&1; then
  rm -rf /dev/shm/jack-shm-registry /dev/shm/jack_* /dev/shm/jack-*
fi
