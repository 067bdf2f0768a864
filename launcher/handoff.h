// The hand-off: a launcher that finds another instance running passes the
// request of its start (a URL query, option tickets and queries, or the wish
// to see the viewer) to the running viewer over TCP on 127.0.0.1, at the port
// the viewer publishes as "remotePort" in the ".tarvo" folder's
// "client.properties". It only sends; it never reads an answer.
#pragma once

// Hands the request of this start to the running viewer. Reports go to
// standard error; the launcher ends after it whatever happened.
void handOff(int argc, char** argv);

// The port in the "remotePort" line of a properties file, or -1 when the file
// cannot be opened or holds no usable line.
int readRemotePort(const char* path);

// Opens one connection to the viewer and sends `text`; true when all of it
// went out.
bool sendToViewer(const char* text, int port);

// Sends one "|"-terminated message per recognised option ("--query"/"--q",
// "--ticket"/"--t", "--ticketParam"/"--tp", each followed by its value) on one
// connection. True only when a query message was sent and the last one went
// out whole.
bool forwardOptions(int argc, char** argv, int port);

// Strips the slashes around `query` (in place), decodes it and sends it.
bool forwardQuery(char* query, int port);

// Text helpers of the hand-off.

// Skips the leading "/" characters of `text` and cuts its trailing ones;
// returns where the remaining text starts.
char* trimSlashes(char* text);

// Decodes "%XX" (two hexadecimal digits) to one byte and "+" to a blank into
// `decoded`, which holds at least strlen(text) + 1 bytes.
void urlDecode(const char* text, char* decoded);

// The span of `text` behind the first `start` (or from the beginning when it
// does not occur) up to the first `end` behind it (or the end), as a new
// zero-filled buffer of strlen(text) + 1 bytes; null when memory runs out.
char* extractBetween(const char* text, const char* start, const char* end);

// True when `text` begins with `prefix`, exactly.
bool startsWith(const char* prefix, const char* text);
