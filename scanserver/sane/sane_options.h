// A SANE device's options as Orvane uses them: looked up by name (never by index), values made
// from numbers or from the text of [SANE Options], and what items 1, 2 and 4 learn from them.
#pragma once
#include "../scanner_source.h"
#include "sane_wire.h"

#include <vector>

using OptionList = std::vector<OptionDescriptor>;

// The index of the active option `name`, or -1.
int FindOption(const OptionList& options, const char* name);
// The index of the option `name` whether active or not, or -1.
int FindAnyOption(const OptionList& options, const char* name);

// A value for `option` from text: booleans yes/no/true/false/on/off/1/0, numbers (fixed-point
// options take decimals), strings as they stand. False when the text does not fit the option.
bool ParseOptionValue(const OptionDescriptor& option, const char* text, OptionValue* value);
// A numeric value: every element of the option set to `word` (already in the option's type).
OptionValue WordValue(const OptionDescriptor& option, int32_t word);
OptionValue TextValue(const OptionDescriptor& option, const char* text);

enum class ModeKind { Lineart, Gray, Color };
// The entry of the `mode` option's list that means `kind`, or nullptr.
const char* ModeEntry(const OptionDescriptor& mode, ModeKind kind);
// The mode entry for black-and-white: the device's lineart mode, or its gray mode when that
// can have a depth of 1 bit; nullptr when neither.
const char* LineartEntry(const OptionList& options);
// The entry of the `source` option's list that names a document feeder, or nullptr.
const char* FeederEntry(const OptionDescriptor& source);

// Items 1 and 2 from the options; `model` names the device.
void DescribeDevice(const OptionList& options, const char* model, SourceCapabilities* out);

// The option's value for `dpi` (int or fixed); from a list, its nearest value.
int32_t ResolutionValue(const OptionDescriptor& option, int dpi);
// The option's value for a length of `pixels` at `dpi`, from the low end of its range: millimetres
// (int or fixed) or pixels.
int32_t AreaValue(const OptionDescriptor& option, int pixels, int dpi);
// Brightness and contrast: how many levels the option offers, and the value of level `level`
// (1 is the lowest); false for a level outside them.
uint16_t OptionLevels(const OptionDescriptor& option);
bool LevelValue(const OptionDescriptor& option, int level, int32_t* value);
