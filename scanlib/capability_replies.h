// The server's capability and resolution replies read into the scanner's capability record.
#pragma once
#include <cstddef>
#include <cstdint>

#include "orvlib.h"

// Fills the record from a capability reply (bytes as the server sent them; a short reply reads
// as zeros past its end) and the selected scanner id. ScanRes is left to ResolutionBits.
void CapabilitiesFromReply(const uint8_t* reply, size_t size, int32_t scanId,
                           ScannerCapabilities* record);
// Minimum, maximum and normal value for a number of brightness or contrast levels.
void LevelRange(uint16_t levels, uint16_t* minimum, uint16_t* maximum, uint16_t* normal);
// ScanRes bits for a resolution reply (a range or a list); the list is bounded by the reply.
uint16_t ResolutionBits(const uint8_t* reply, size_t size);
