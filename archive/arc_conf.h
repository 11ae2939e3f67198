// The archives file: the DICOMweb archives a user can search, each a name, a base URL and an
// optional credential. Kept apart from the configuration file, readable by its owner only.
#pragma once

#include <string>
#include <vector>

struct ARCHIVE {
    std::string name;
    std::string url; // base of the DICOMweb service, without a trailing slash
    std::string user, password;
    std::string token;  // bearer token; used instead of user and password when set
    std::string cafile; // certificates to verify the server with; empty: the system's
};

enum {
    ARC_CONF_MAX_BYTES = 1 << 20, // a hand-written list of archives is far smaller
    ARC_CONF_MAX_ENTRIES = 256,
    ARC_CONF_MAX_LINE = 4096,
};

// $XDG_CONFIG_HOME/dravik/archives, or ~/.config/dravik/archives; empty when neither is known.
std::string ArcConfPath();

// Parses the text of an archives file. 0, or -1 with a message naming the line in `err`.
// Values never appear in a message.
int ArcConfParse(const char *text, size_t len, std::vector<ARCHIVE> *out, std::string *err);

// Reads the file at `path`: 0; 1 when there is none (an empty list); -1 with a message when it
// cannot be read, is not a regular file, is larger than ARC_CONF_MAX_BYTES, is readable or
// writable by group or others, or does not parse.
int ArcConfLoad(const std::string &path, std::vector<ARCHIVE> *out, std::string *err);

// Writes the list to `path` (its directory created 0700) through a temporary file of mode 0600
// renamed into place. 0, or -1 with a message.
int ArcConfSave(const std::string &path, const std::vector<ARCHIVE> &list, std::string *err);

// The archive a command line names: an entry of that name, or a URL (http:// or https://) with
// the credential of the entry whose URL is the same (else none). Null when neither.
const ARCHIVE *ArcConfFind(const std::vector<ARCHIVE> &list, const std::string &what,
                           ARCHIVE *scratch);

// The URL without a user:password@ part, for messages.
std::string ArcUrlRedact(const std::string &url);
