// The scanner's capability record, built at every connect from the server's capability and
// resolution replies and kept in the client table for every client.
#pragma once
#include <windows.h>

#include <cstddef>
#include <cstdint>

#include "orvlib.h"

constexpr int32_t kDefaultCapabilityScanId = 1;

// Fills the record from a capability reply (bytes as the server sent them; a short reply reads
// as zeros past its end) and the selected scanner id. ScanRes is left to ResolutionBits.
void CapabilitiesFromReply(const uint8_t* reply, size_t size, int32_t scanId,
                           ScannerCapabilities* record);
// Minimum, maximum and normal value for a number of brightness or contrast levels.
void LevelRange(uint16_t levels, uint16_t* minimum, uint16_t* maximum, uint16_t* normal);
// ScanRes bits for a resolution reply (a range or a list); the list is bounded by the reply.
uint16_t ResolutionBits(const uint8_t* reply, size_t size);
// Requests items 1 and 2 and rebuilds the table's capability record; without a capability
// reply the record is left as it is.
void FetchCapabilities();
