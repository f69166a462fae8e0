// The content of a scanned page: a test chart drawn for the page's size and resolution, or the
// configured image scaled to the page.
#pragma once
#include <windows.h>

#include <cstdint>

// Once at start: renders the chart's text mask and loads the configured image, if any.
void PreparePageSource(HINSTANCE instance, const char* imagePath);
// Sets the size of the next page: `width` pixels, `lines` lines, `resolution` dpi.
void BeginPageSource(int width, int lines, int resolution);
// Fills `rgb` with line `y` of the page: width pixels of red, green, blue.
void RenderPageLine(int y, uint8_t* rgb);
