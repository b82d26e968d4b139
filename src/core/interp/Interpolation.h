#pragma once

#include <QLocale>
#include <QString>
#include <QStringList>

// Turns one step of the list into a ramp of N steps towards the step after it, sharing the
// step's duration out in whole 20 ms units. It only computes: the caller puts the block in
// place of the source line (SequenceEditor::replaceLineWith) and shows the message, if any.
namespace interpolation {

enum class Direction {
    None,     // neither option chosen
    Previous, // "Interpolation With Previous Step": the line before the selected one is the source
    Next,     // "Interpolation With Next Step": the selected line is the source
};

// How the positions go from the source to the target. The eased ramps are QEasingCurve's
// quadratic ones (InQuad, OutQuad, InOutQuad): gentler on a servo than the cubic forms over
// the few steps a ramp usually has.
enum class Curve {
    Linear,    // equal parts
    EaseIn,    // slow away from the source
    EaseOut,   // slow into the target
    EaseInOut, // slow at both ends
};

enum class Outcome {
    Done,   // replace line sourceIndex by newLines, select sourceIndex; the dialog closes
    Closed, // the count was 1: nothing changes; the dialog closes
    Stayed, // nothing changes; the dialog stays open (message, if any, first)
};

inline const QString kNoteTitle = QStringLiteral("Note");
inline const QString kTooManyForTimeText =
    QStringLiteral("Number of Steps too high for selected Step Time!");
inline const QString kTooManyForListText =
    QStringLiteral("Number of Steps too high, max # of lines is 1024!");
inline const QString kUnreadableText =
    QStringLiteral("The steps to interpolate between cannot be read!");

constexpr int kMinStepTimeMs = 20;

struct Result {
    Outcome outcome = Outcome::Stayed;
    int sourceIndex = -1; // c, the line the block replaces (Done only)
    QStringList newLines; // the block in list order, Add form (Done only)
    QString messageTitle; // a message to show before acting on the outcome; empty for none
    QString messageText;
};

// lines: the list's line texts; selected: the selected index; count: the count field's value,
// taken as 1 when below 1 or not a number. Numbers in the lines are read, and new lines
// written, with the locale's decimal separator. A result that would not fit the 1024-line
// list is refused with a message. The curve shapes the positions only: the durations split
// alike whatever the curve.
Result interpolate(const QStringList& lines, int selected, Direction direction, double count,
                   const QLocale& locale = QLocale(), Curve curve = Curve::Linear);

} // namespace interpolation
