#pragma once

class QApplication;

// The "Metropolis UI Dark" look: a dark palette and flat, tiled controls. Returns false (and
// leaves the default look) when the style cannot be applied.
bool applyMetropolisDark(QApplication& application);

// Tile colours, one per operation.
namespace tilecolor {
inline constexpr const char* network = "#1b6ac9";
inline constexpr const char* activate = "#007a33";
inline constexpr const char* signature = "#7e1f86";
inline constexpr const char* update = "#b83b1b";
inline constexpr const char* test = "#00817f";
inline constexpr const char* code = "#8a5a00";
inline constexpr const char* block = "#b01515";
inline constexpr const char* fiscal = "#1e7145";
inline constexpr const char* logs = "#5a3ab0";
} // namespace tilecolor

// Registers the pictures built into the user-interface library.
void initUiResources();
