// The scanner's capability record, built at every connect from the server's capability and
// resolution replies and the selected scanner id, and kept in the client table for every client.
#pragma once

// Requests items 1 and 2 and rebuilds the table's capability record; without a capability
// reply the record is left as it is.
void FetchCapabilities();
