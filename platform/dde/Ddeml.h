#pragma once
// Dynamic data exchange between the processes of one user. A server registers service names; a
// client connects to a service and topic (either may be left open, and then every registered
// server is asked) and sends execute transactions, each answered with acknowledge flags; either
// side may end a conversation, and the other side is told. Each registered service listens on a
// Unix-domain socket in a directory of the user's own that nobody else may enter, and each
// conversation is a connection on it. Server callbacks run from the message loop, modal loops
// included; a client waits for its answer with a timeout.

#include <cstdint>
#include <functional>
#include <string>

#include "platform/win32/Clipboard.h"  // the formats

using HSZ = uint32_t;         // string handle; 32 bits, so a service/topic pair is 8 bytes
using HCONV = uint32_t;       // conversation handle
using HDDEDATA = uintptr_t;   // data handle, or a flag word or boolean, by transaction

// Transactions given to a callback.
inline constexpr uint32_t XTYP_ERROR = 0x8002;
inline constexpr uint32_t XTYP_XACT_COMPLETE = 0x8080;
inline constexpr uint32_t XTYP_EXECUTE = 0x4050;
inline constexpr uint32_t XTYP_POKE = 0x4090;
inline constexpr uint32_t XTYP_REQUEST = 0x20B0;
inline constexpr uint32_t XTYP_CONNECT = 0x1062;
inline constexpr uint32_t XTYP_CONNECT_CONFIRM = 0x8072;
inline constexpr uint32_t XTYP_DISCONNECT = 0x80C2;
inline constexpr uint32_t XTYP_WILDCONNECT = 0x20E2;

// Initialisation flags: a server that refuses advise loops; a client that registers nothing.
inline constexpr uint32_t CBF_FAIL_ADVISES = 0x4000;
inline constexpr uint32_t APPCMD_CLIENTONLY = 0x10;
inline constexpr uint32_t DNS_REGISTER = 1;
inline constexpr uint32_t DNS_UNREGISTER = 2;
inline constexpr int32_t CP_WINANSI = 1004;

// Execute answers.
inline constexpr HDDEDATA DDE_FACK = 0x8000;
inline constexpr HDDEDATA DDE_FNOTPROCESSED = 0;

// Errors of DdeGetLastError.
inline constexpr uint32_t DMLERR_NO_ERROR = 0;
inline constexpr uint32_t DMLERR_ADVACKTIMEOUT = 0x4000;
inline constexpr uint32_t DMLERR_DATAACKTIMEOUT = 0x4002;
inline constexpr uint32_t DMLERR_DLL_NOT_INITIALIZED = 0x4003;
inline constexpr uint32_t DMLERR_EXECACKTIMEOUT = 0x4005;
inline constexpr uint32_t DMLERR_INVALIDPARAMETER = 0x4006;
inline constexpr uint32_t DMLERR_LOW_MEMORY = 0x4007;
inline constexpr uint32_t DMLERR_NOTPROCESSED = 0x4009;
inline constexpr uint32_t DMLERR_NO_CONV_ESTABLISHED = 0x400A;
inline constexpr uint32_t DMLERR_POKEACKTIMEOUT = 0x400B;
inline constexpr uint32_t DMLERR_SYS_ERROR = 0x400F;

// A server's callback: transaction, format, conversation, two string handles (for connects the
// topic, then the service), a data handle and two data words. Its answer depends on the
// transaction: a boolean for connect, a data handle for a wildcard connect or a request (the
// library frees it once sent; 0 when there is no data), flags for execute and poke. For poke and
// request the second string handle is the item.
using DdeCallback = std::function<HDDEDATA(uint32_t type, uint32_t format, HCONV conversation,
                                           HSZ first, HSZ second, HDDEDATA data,
                                           uintptr_t data1, uintptr_t data2)>;

// Starts an instance; `*instance` becomes its identifier. Answers DMLERR_NO_ERROR or an error.
uint32_t DdeInitialize(uint32_t* instance, DdeCallback callback, uint32_t flags, uint32_t reserved);
// Ends every conversation of the instance (the peers are told), unregisters its services and
// frees its handles.
bool DdeUninitialize(uint32_t instance);
uint32_t DdeGetLastError(uint32_t instance);

// String handles: equal texts, in any case, have one handle, counted per creation.
HSZ DdeCreateStringHandle(uint32_t instance, const char* text, int32_t codePage);
bool DdeFreeStringHandle(uint32_t instance, HSZ handle);
// Copies the text into `buffer` (cut to `size` - 1 bytes and ended by 0); answers its length.
// A null buffer asks for the length only.
uint32_t DdeQueryString(uint32_t instance, HSZ handle, char* buffer, uint32_t size, int32_t codePage);
std::string DdeStringOf(HSZ handle);

// Registers or unregisters a service of the instance (a null handle with DNS_UNREGISTER: all).
// Answers non-zero on success.
HDDEDATA DdeNameService(uint32_t instance, HSZ service, HSZ reserved, uint32_t command);

// Data handles hold a copy of bytes; DdeGetData copies at most `size` bytes from `offset` and
// answers the count (with a null destination, the handle's size).
HDDEDATA DdeCreateDataHandle(uint32_t instance, const uint8_t* bytes, uint32_t size, uint32_t offset,
                             HSZ item, uint32_t format, uint32_t command);
uint32_t DdeGetData(HDDEDATA data, uint8_t* destination, uint32_t size, uint32_t offset);
bool DdeFreeDataHandle(HDDEDATA data);
// The bytes of a data handle and their count, valid until the handle is freed; null for a handle
// that is not there. Unaccessing ends the access.
const uint8_t* DdeAccessData(HDDEDATA data, uint32_t* size);
bool DdeUnaccessData(HDDEDATA data);

// Client calls. Connect answers 0 when no server takes the conversation (the last error says
// why); a null service or topic asks every server.
HCONV DdeConnect(uint32_t instance, HSZ service, HSZ topic, const void* context);
bool DdeDisconnect(HCONV conversation);
// Whether the conversation goes on (neither side has ended it).
bool DdeConversationExists(HCONV conversation);
// Sends an execute, a poke of `size` bytes of `format` to the item, or a request of the item in
// `format`, and waits at most `timeout` milliseconds of real time for its answer, serving the
// instance's other conversations and painting windows meanwhile. A poke's data may be a data
// handle given with the size 0xFFFFFFFF; the handle is freed. `*result` gets the answer flags.
// Execute and poke answer non-zero when the server acknowledged them; a request answers a data
// handle of its own (which the caller frees), 0 when the server had no data.
HDDEDATA DdeClientTransaction(const uint8_t* data, uint32_t size, HCONV conversation, HSZ item,
                              uint32_t format, uint32_t type, uint32_t timeout, uint32_t* result);

// The instance through which the program reaches other programs' services, set by whoever
// initialised it for the program (0 when none).
uint32_t DdeProgramInstance();
void SetDdeProgramInstance(uint32_t instance);

// A server's defences against peers that hold connections without talking, so that other
// processes of the user cannot take every descriptor of the program (its own files then fail to
// open) nor keep it busy:
// - a connection must send its connect within kDdeConnectDeadline milliseconds of the layer's
//   clock (Clock.h), or it is dropped;
// - at most kDdeMaxWaitingConnections of an instance wait for their connect; a newer one drops
//   the one that has waited longest;
// - at most kDdeMaxServedConversations conversations of an instance, connected or waiting, are
//   held; a connection beyond them is closed at once;
// - when the process has no descriptor left for a connection, its listener is not watched again
//   until one of the instance's conversations ends or the next check of the deadlines.
inline constexpr uint32_t kDdeConnectDeadline = 3000;
inline constexpr size_t kDdeMaxWaitingConnections = 16;
inline constexpr size_t kDdeMaxServedConversations = 128;

// The directory of the sockets: YB_DDE_DIR when set, else yarrowby-dde under the user's runtime
// directory, else /tmp/yarrowby-dde-<uid>. It is made with mode 0700; an existing one that is
// not a directory of the user's own closed to everyone else is refused (empty answer).
std::string DdeSocketDirectory();
