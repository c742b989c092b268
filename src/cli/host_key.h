#pragma once

#include "base/text.h"

// The host a site's fetch goes to, as the per-host bound of a run counts
// it: the address's host in lower case and its port, the scheme's own when
// it names none, before any resolving, so two names of one server count as
// two hosts and http://A/ and http://a:80/ as one. Stateless; nothing here
// throws but for want of memory.
Text HostKeyOf(const Text& address);
