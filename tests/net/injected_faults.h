// Faults put into the Winsock layer's table of POSIX calls, above the
// bookkeeping layer (socket_call_hooks.h). Each inject_* function replaces
// one or more entries of posix_socket_calls; install_bookkeeping() or
// remove_bookkeeping() takes them out again. Kept apart from the tests
// because it speaks POSIX, which the tests, written against the Winsock
// names, cannot include.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

// connect fails at once with ECONNREFUSED.
void inject_refused_connect();
// connect is "in progress" but never completes: poll reports nothing
// ready (after waiting the slice it was given).
void inject_connect_never_completes();
// connect completes with a pending ECONNREFUSED (SO_ERROR).
void inject_connect_error_after_wait();
// The name look-up finds nothing.
void inject_failed_lookup();
// socket fails with EMFILE.
void inject_socket_failure();
// The new socket cannot be switched to non-blocking mode.
void inject_nonblocking_failure();
// recv passes on `chunks` chunks, then fails with ECONNRESET.
void inject_reset_after(int chunks);
// Each send passes on at most `most` bytes.
void inject_short_sends(size_t most);
// connect, send, recv and poll are interrupted (EINTR) every other call;
// an interrupted connect goes on in the background, as POSIX says.
void inject_interruptions();
// After the first send, each further send waits (bounded) until the
// peer's reset has arrived, so that it meets a connection that is gone.
void inject_wait_for_reset_after_first_send();
// The name look-up yields these dotted IPv4 addresses, in this order.
void inject_address_list(const std::vector<std::string> &addresses);

// Records the length asked of each send, and the address of each connect
// (dotted), from now on.
void record_sends_and_connects();
const std::vector<size_t> &recorded_send_lengths();
const std::vector<std::string> &recorded_connect_addresses();
