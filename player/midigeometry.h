#pragma once

// The player window's fixed measures, in twips.
namespace MidiGeometry {
inline constexpr int WidthTw = 6315;
// Rolled up only the status panel shows; rolled out the browser shows too.
inline constexpr int RolledUpHeightTw = 2460;
inline constexpr int RolledOutHeightTw = 6720;
inline constexpr int RolledUpPanelTw = 2400;
inline constexpr int RolledOutPanelTw = 6675;
// Each tick of the rolling animation.
inline constexpr int RollStepTw = 100;
// A window no taller than this counts as rolled up, so the next roll goes out.
inline constexpr int RolledUpAtMostTw = 2500;
// Rolling up stops once within one step of the rolled-up height.
inline constexpr int RollUpStopTw = 2520;
// Taller than this the browser is out (and rolled away when play starts).
inline constexpr int PanelOutAboveTw = 3000;
// The first place centres a window of this height on the screen.
inline constexpr int CentringHeightTw = 7665;
}
