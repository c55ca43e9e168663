#pragma once

#include <cstdint>

// The host's settings store: four calls that keep integers and texts per workspace, section
// and key. A text returned by LoadPChar stays valid until the next call into the library.
extern "C" {
int32_t SaveInteger(int32_t workspace, const char* section, const char* key, int32_t value);
int32_t LoadInteger(int32_t workspace, const char* section, const char* key, int32_t defaultValue);
int32_t SavePChar(int32_t workspace, const char* section, const char* key, const char* value);
const char* LoadPChar(int32_t workspace, const char* section, const char* key,
                      const char* defaultValue);
}
