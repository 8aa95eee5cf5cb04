// Windows Sockets 1.1 subset, written for this program over POSIX sockets.
//
// Implemented:
//  [X] WSAStartup / WSACleanup (version 1.1; reference counted)
//  [X] socket (AF_INET, SOCK_STREAM), closesocket
//  [X] inet_addr (dotted IPv4), gethostbyname (IPv4 addresses of a name,
//      looked up on a thread of its own and bounded by the connect
//      time-out), htons
//  [X] connect, bounded by the connect time-out (then SOCKET_ERROR)
//  [X] send without SIGPIPE; a piece that went out only in part is completed
//  [X] recv, bounded by the silence time-out and by the exchange time-out
//      since the connection was made (then 0, as if the peer closed)
//  [X] blocking calls wait in short slices and call socket_wait_hook between
//      them, so that a user interface can repaint
//  [X] every POSIX call goes through posix_socket_calls (posix_socket_calls.h)
// Left out: select, ioctlsocket, socket options, WSAGetLastError, the
// asynchronous calls, datagrams, IPv6.
//
// The names live in their own namespace so that they never meet the POSIX
// declarations of the same names; code that includes this header sees them
// unqualified, as on Windows.
#pragma once

#include "win32_types.h"

namespace zq_winsock {

typedef UINT_PTR SOCKET;
typedef unsigned short u_short;
typedef unsigned long u_long;

constexpr SOCKET INVALID_SOCKET = (SOCKET)(~(UINT_PTR)0);
constexpr int SOCKET_ERROR = -1;
constexpr int AF_INET = 2;
constexpr int SOCK_STREAM = 1;
constexpr u_long INADDR_NONE = 0xffffffffUL;

constexpr int WSADESCRIPTION_LEN = 256;
constexpr int WSASYS_STATUS_LEN = 128;

struct WSADATA {
  WORD wVersion;
  WORD wHighVersion;
  char szDescription[WSADESCRIPTION_LEN + 1];
  char szSystemStatus[WSASYS_STATUS_LEN + 1];
  unsigned short iMaxSockets;
  unsigned short iMaxUdpDg;
  char *lpVendorInfo;
};
typedef WSADATA *LPWSADATA;

struct in_addr {
  uint32_t s_addr; // network byte order
};

struct sockaddr {
  u_short sa_family;
  char sa_data[14];
};

struct sockaddr_in {
  short sin_family;
  u_short sin_port; // network byte order
  struct in_addr sin_addr;
  char sin_zero[8];
};
static_assert(sizeof(sockaddr_in) == 16, "sockaddr_in is 16 bytes");

struct hostent {
  char *h_name;
  char **h_aliases;
  short h_addrtype;
  short h_length;
  char **h_addr_list;
};

inline u_short htons(u_short v) {
  return (u_short)((v >> 8) | (v << 8));
}

int WSAStartup(WORD version_requested, LPWSADATA data);
int WSACleanup(void);
SOCKET socket(int af, int type, int protocol);
u_long inet_addr(const char *cp);
struct hostent *gethostbyname(const char *name);
int connect(SOCKET s, const struct sockaddr *name, int namelen);
int send(SOCKET s, const char *buf, int len, int flags);
int recv(SOCKET s, char *buf, int len, int flags);
int closesocket(SOCKET s);

} // namespace zq_winsock

#ifndef h_addr
#define h_addr h_addr_list[0]
#endif
#define MAKEWORD(lo, hi) ((WORD)(((BYTE)(lo)) | (((WORD)((BYTE)(hi))) << 8)))

#ifndef ZQ_WINSOCK_IMPLEMENTATION
using namespace zq_winsock;
#endif

// How long a blocking call may wait. A connection that is not made within
// the connect time-out fails; a reply that stays silent for the receive
// time-out ends as if the peer had closed the connection, and so does one
// that is still coming in when the connection has lasted the exchange
// time-out (a peer that sends for ever).
constexpr int CONNECT_TIMEOUT_MS = 30000;
constexpr int RECV_TIMEOUT_MS = 30000;
constexpr int EXCHANGE_TIMEOUT_MS = 120000;
// A blocking call waits in slices of this length and calls socket_wait_hook
// between them.
constexpr int WAIT_SLICE_MS = 50;

struct SocketTimeouts {
  int connect_ms;
  int recv_ms;
  int exchange_ms; // 0: no limit
};
// The time-outs in force: the constants above unless a test shortens them.
extern SocketTimeouts socket_timeouts;

// Called between wait slices while a call blocks; null for none.
extern void (*socket_wait_hook)(void);
