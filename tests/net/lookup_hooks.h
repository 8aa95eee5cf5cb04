// Stand-ins for getaddrinfo, for the name look-up tests: one that answers
// late, one that answers long after anyone waits. Declared without the
// POSIX headers, which cannot stand beside winsock.h.
#pragma once

struct addrinfo;

// The real look-up, 200 ms late.
int slow_getaddrinfo(const char *node, const char *service, const struct addrinfo *hints,
                     struct addrinfo **res);
// Fails after 2 s.
int hanging_getaddrinfo(const char *node, const char *service,
                        const struct addrinfo *hints, struct addrinfo **res);
