// The catalogue request: fetches the publisher's catalogue text into the
// catalogue buffer, from the address that the registry redirects to or the
// configured one.
#pragma once

// Returns once a request went through (the buffer holds the answer's body),
// when the manager is quitting (the buffer is emptied), or at once when the
// product registry key cannot be opened (the buffer is left as it was).
// Failed attempts are repeated after a pause of 1 s doubling to a minute.
void FetchCatalogueText();

// Ends the pause of every catalogue request at once: call after setting
// quitting. Without it a pause notices within a second.
void StopCatalogueRequests();

// "FORCED_URL_<n>" for the partner code's leading number n.
void ForcedAddressName(const char* partnerCode, char (&name)[32]);
