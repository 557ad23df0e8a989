#pragma once
// The verdict rules of the attribute list, shared by the health window and
// the command-line front end.
#include <cstdint>
#include <string>

namespace tarnwell::health {

// Overall verdict of a drive.
enum SmartVerdict : int { kVerdictNoData = -1, kVerdictGood = 0, kVerdictWarning = 1, kVerdictDanger = 2 };

// Row images of the list: green tick, outlined triangle (unused), yellow
// and red warning triangles.
enum SmartRowImage : int { kImageTick = 0, kImageOutline = 1, kImageWarning = 2, kImageDanger = 3 };

enum class AttributeState { AlwaysPasses, Danger, Warning, Normal };

// One row's state from its current value V and threshold T, in this order:
// T = 0 always passes; V <= T is danger; V <= T + 10 a warning (T + 10 does
// not wrap); anything above is a normal value.
AttributeState JudgeAttribute(uint8_t value, uint8_t threshold);

// The "状态" text (system code page) and the row image of a state.
const std::string& StateText(AttributeState state);
int StateImage(AttributeState state);

// The overall verdict after one more row: danger wins, a warning counts
// unless danger was already seen.
int CombineVerdict(int overall, AttributeState state);

// The message of a verdict 0..2 (system code page); empty for no data.
const std::string& VerdictMessage(int verdict);
// What the status bar shows for a verdict: " S.M.A.R.T. 报告 " and the
// message; empty for no data.
std::string SmartReportText(int verdict);

}  // namespace tarnwell::health
