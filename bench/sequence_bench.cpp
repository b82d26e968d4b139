// Edit times of the step list with 1024 lines, each including the list view's update, beside a
// list widget whose items are all made again after every edit. Run with
// QT_QPA_PLATFORM=offscreen. Each figure is measured twice: with the view's repaint of the
// visible rows, and with painting switched off so the model's own cost and the view's relayout
// show apart from the text rendering that every list pays alike. Last, the same commands
// through the shown window: its buttons, its label and a mouse drag on its list.

#include "core/NumberText.h"
#include "core/sequence/SequenceEditor.h"
#include "link/SerialTransport.h"
#include "ui/panel/Panel.h"
#include "ui/sequence/SequenceController.h"
#include "ui/shell/ClickableViews.h"
#include "ui/shell/UserDialogs.h"
#include "ui/window/MainWindow.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QItemSelectionModel>
#include <QListView>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QTextStream>

#include <algorithm>
#include <functional>
#include <memory>
#include <vector>

namespace {

constexpr int kRuns = 100;
constexpr int kMid = kMaxLines / 2;

QString lineFor(int i) {
    std::array<QString, kChannelCount> readouts;
    for (int k = 0; k < kChannelCount; ++k) {
        readouts[k] = numbertext::degreeReadout((i * 7 + k * 13) % 256);
    }
    return stepline::addForm(readouts, 20 + i % 980);
}

QStringList linesFor(int count) {
    QStringList lines;
    for (int i = 0; i < count; ++i) {
        lines.append(lineFor(i));
    }
    return lines;
}

void settle() {
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
}

// Median microseconds of the edit and the view's update; undo restores the list off the clock.
double measure(
    const std::function<void(int)>& edit, const std::function<void(int)>& undo = [](int) {}) {
    std::vector<double> us;
    us.reserve(kRuns);
    QElapsedTimer timer;
    for (int run = 0; run < kRuns; ++run) {
        timer.start();
        edit(run);
        settle();
        us.push_back(static_cast<double>(timer.nsecsElapsed()) / 1000.0);
        undo(run);
        settle();
    }
    std::sort(us.begin(), us.end());
    return us[us.size() / 2];
}

// The window's list: a view over the model that mirrors the model's selection.
struct ModelSide {
    explicit ModelSide(bool uniform) : editor(list) {
        view.setUniformItemSizes(uniform);
        view.setModel(&list);
        QObject::connect(&list, &SequenceList::selectedIndexChanged, &view, [this](int index) {
            view.selectionModel()->setCurrentIndex(list.index(index),
                                                   QItemSelectionModel::ClearAndSelect);
        });
        view.resize(700, 400);
        view.show();
    }
    void fill(int count) {
        editor.replaceAll(linesFor(count));
        list.setSelectedIndex(kMid);
        settle();
    }

    SequenceList list;
    SequenceEditor editor;
    QListView view;
};

// The same edits on plain texts, then every item of a list widget made again.
struct WidgetSide {
    explicit WidgetSide(bool uniform) {
        widget.setUniformItemSizes(uniform);
        widget.resize(700, 400);
        widget.show();
    }
    void fill(int count) {
        lines = linesFor(count);
        recreate(kMid);
    }
    void recreate(int selected) {
        widget.clear();
        widget.addItems(lines);
        widget.setCurrentRow(selected);
    }

    QStringList lines;
    QListWidget widget;
};

struct Row {
    const char* what;
    double model[2];
    double widget[2];
};

void measureAll(std::vector<Row>& rows, bool uniform, bool paint, bool addOnly) {
    ModelSide model(uniform);
    WidgetSide widget(uniform);
    model.view.viewport()->setUpdatesEnabled(paint);
    widget.widget.viewport()->setUpdatesEnabled(paint);
    const int column = paint ? 0 : 1;
    const QString added = lineFor(5000);
    size_t r = 0;
    auto put = [&](const char* what, double ours, double baseline) {
        if (rows.size() <= r) {
            rows.push_back({what, {0, 0}, {0, 0}});
        }
        rows[r].model[column] = ours;
        rows[r].widget[column] = baseline;
        ++r;
    };

    model.fill(kMaxLines - 1);
    widget.fill(kMaxLines - 1);
    put("Add (1023 -> 1024 lines)",
        measure([&](int) { model.editor.add(added); },
                [&](int) {
                    model.editor.remove();
                    model.list.setSelectedIndex(kMid);
                }),
        measure(
            [&](int) {
                widget.lines.insert(kMid + 1, added);
                widget.recreate(kMid + 1);
            },
            [&](int) {
                widget.lines.removeAt(kMid + 1);
                widget.recreate(kMid);
            }));
    if (addOnly) {
        return;
    }

    model.fill(kMaxLines);
    widget.fill(kMaxLines);
    put("Remove (1024 -> 1023 lines)",
        measure([&](int) { model.editor.remove(); },
                [&](int) {
                    model.editor.add(added);
                    model.list.setSelectedIndex(kMid);
                }),
        measure(
            [&](int) {
                widget.lines.removeAt(kMid);
                widget.recreate(kMid);
            },
            [&](int) {
                widget.lines.insert(kMid, added);
                widget.recreate(kMid);
            }));

    // A press on line F and a release on line T, alternately down and up the list.
    auto from = [](int run) { return run % 2 == 0 ? 100 : 900; };
    auto to = [](int run) { return run % 2 == 0 ? 900 : 100; };
    put("Drag move (line 100 <-> line 900)", measure([&](int run) {
            model.list.setSelectedIndex(from(run));
            model.editor.pressOnList(from(run));
            model.list.setSelectedIndex(to(run));
            model.editor.releaseOnList(to(run));
        }),
        measure([&](int run) {
            widget.lines.move(from(run), to(run));
            widget.recreate(to(run));
        }));

    put("rebuildTable", measure([&](int) { model.editor.rebuildTable(); }),
        measure([&](int) { widget.recreate(kMid); }));

    put("  (repaint of the visible rows alone)",
        measure([&](int) { model.view.viewport()->update(); }),
        measure([&](int) { widget.widget.viewport()->update(); }));

    // Reading all the texts again, which the rebuild avoids.
    const QStringList lines = model.list.lines();
    put("  (ParseStepLine of all 1024 lines)", measure([&](int) {
            for (const QString& line : lines) {
                (void)stepline::ParseStepLine(line);
            }
        }),
        0);
}

void print(QTextStream& out, const char* title, const std::vector<Row>& rows) {
    out << title << ", median us of " << kRuns << " runs\n";
    out << QString::asprintf("%-38s %12s %12s   %12s %12s\n", "", "model", "model", "re-create",
                             "re-create");
    out << QString::asprintf("%-38s %12s %12s   %12s %12s\n", "", "painted", "no paint", "painted",
                             "no paint");
    for (const Row& row : rows) {
        out << QString::asprintf("%-38s %12.1f %12.1f   %12.1f %12.1f\n", row.what, row.model[0],
                                 row.model[1], row.widget[0], row.widget[1]);
    }
    out << "\n";
    out.flush();
}

// The same commands on a model that no view watches: the core's own share.
void printCoreAlone(QTextStream& out) {
    SequenceList list;
    SequenceEditor editor(list);
    const QString added = lineFor(5000);
    editor.replaceAll(linesFor(kMaxLines - 1));
    list.setSelectedIndex(kMid);
    const double add = measure([&](int) { editor.add(added); },
                               [&](int) {
                                   editor.remove();
                                   list.setSelectedIndex(kMid);
                               });
    editor.add(added);
    list.setSelectedIndex(kMid);
    const double remove = measure([&](int) { editor.remove(); },
                                  [&](int) {
                                      editor.add(added);
                                      list.setSelectedIndex(kMid);
                                  });
    const double drag = measure(
        [&](int run) { editor.dragMove(run % 2 == 0 ? 100 : 900, run % 2 == 0 ? 900 : 100); });
    out << "Core alone, no view, 1024 lines, median us of " << kRuns << " runs\n";
    out << QString::asprintf("%-38s %12.1f\n%-38s %12.1f\n%-38s %12.1f\n\n", "Add", add, "Remove",
                             remove, "Drag move", drag);
    out.flush();
}

// No port is chosen, so nothing goes on a line; the window does all its other work.
class NoPort : public SerialTransport {
public:
    bool open(const QString&, const LineSettings&, QString* error) override {
        *error = QStringLiteral("no port in the bench");
        return false;
    }
    void close() override {}
    bool isOpen() const override { return false; }
    QByteArray readAll() override { return {}; }
    void write(const QByteArray&) override {}
};

class NoQuestions : public UserDialogs {
public:
    void information(QWidget*, const QString&, const QString&) override {}
    bool question(QWidget*, const QString&, const QString&) override { return true; }
    std::optional<FileAnswer> saveFileName(QWidget*, const FileQuestion&) override { return {}; }
    std::optional<QString> openFileName(QWidget*, const FileQuestion&) override { return {}; }
};

void mouse(QWidget* viewport, QEvent::Type type, QPoint at, Qt::MouseButtons held) {
    QMouseEvent event(type, at, viewport->mapToGlobal(at), Qt::LeftButton, held, Qt::NoModifier);
    QApplication::sendEvent(viewport, &event);
}

// The commands as the user gives them: button clicks on the shown window, which build the line
// from the angle boxes and set the step label, and a mouse drag on the list between two rows
// in view. Beside them, the same edits with every item of a list widget made again.
struct WindowFigures {
    double window[5];
    double widget[4];
    int top;
    int bottom;
};

WindowFigures throughWindow(bool paint) {
    WindowFigures f{};
    NoQuestions dialogs;
    MainWindow form(
        std::make_unique<NoPort>(), [](int) { return QString(); }, dialogs);
    form.resize(1200, 800);
    form.show();
    form.setUpdatesEnabled(paint);
    WidgetSide widget(true);
    widget.widget.viewport()->setUpdatesEnabled(paint);
    auto select = [&](int index) { form.panel().list().setSelectedIndex(index); };

    form.panel().editor().replaceAll(linesFor(kMaxLines - 1));
    select(kMid);
    settle();
    widget.fill(kMaxLines - 1);
    f.window[0] = measure([&](int) { form.bufferEditFrame().addButton->click(); },
                          [&](int) {
                              form.bufferEditFrame().removeButton->click();
                              select(kMid);
                          });
    const QString added = form.panel().list().line(kMid + 1);

    form.panel().editor().replaceAll(linesFor(kMaxLines));
    select(kMid);
    settle();
    widget.fill(kMaxLines);
    f.window[1] = measure([&](int) { form.bufferEditFrame().removeButton->click(); },
                          [&](int) {
                              form.bufferEditFrame().addButton->click();
                              select(kMid);
                          });

    StepListView* view = form.sideColumn().stepList;
    view->scrollToTop();
    settle();
    const int last = view->indexAt(view->viewport()->rect().bottomLeft() + QPoint(4, -4)).row();
    f.top = 1;
    f.bottom = last > f.top ? last : f.top + 1;
    auto centre = [&](int row) {
        return view->visualRect(form.panel().list().index(row)).center();
    };
    auto from = [&](int run) { return run % 2 == 0 ? f.top : f.bottom; };
    auto to = [&](int run) { return run % 2 == 0 ? f.bottom : f.top; };
    f.window[2] = measure([&](int run) {
        mouse(view->viewport(), QEvent::MouseButtonPress, centre(from(run)), Qt::LeftButton);
        mouse(view->viewport(), QEvent::MouseMove, centre(to(run)), Qt::LeftButton);
        mouse(view->viewport(), QEvent::MouseButtonRelease, centre(to(run)), Qt::NoButton);
    });
    f.window[3] = measure([&](int) { form.panel().editor().rebuildTable(); });
    f.window[4] =
        measure([&](int run) { form.sequenceController().showStep(run % 2 == 0 ? 100 : 900); });

    f.widget[0] = measure(
        [&](int) {
            widget.lines.insert(kMid + 1, added);
            widget.recreate(kMid + 1);
        },
        [&](int) {
            widget.lines.removeAt(kMid + 1);
            widget.recreate(kMid);
        });
    f.widget[1] = measure(
        [&](int) {
            widget.lines.removeAt(kMid);
            widget.recreate(kMid);
        },
        [&](int) {
            widget.lines.insert(kMid, added);
            widget.recreate(kMid);
        });
    f.widget[2] = measure([&](int run) {
        widget.lines.move(from(run), to(run));
        widget.recreate(to(run));
    });
    f.widget[3] = measure([&](int) { widget.recreate(kMid); });
    return f;
}

void printThroughWindow(QTextStream& out) {
    const WindowFigures painted = throughWindow(true);
    const WindowFigures quiet = throughWindow(false);
    const QString drag =
        QStringLiteral("Mouse drag (line %1 <-> line %2)").arg(painted.top).arg(painted.bottom);
    const char* what[5] = {"CommandAdd_Click", "CommandRem_Click", qPrintable(drag),
                           "rebuildTable", "ShowStep (12 sliders, port closed)"};
    out << "Through the shown window (buttons, mouse on the list), 1024 lines, median us of "
        << kRuns << " runs\n";
    out << QString::asprintf("%-38s %12s %12s   %12s %12s\n", "", "window", "window", "re-create",
                             "re-create");
    out << QString::asprintf("%-38s %12s %12s   %12s %12s\n", "", "painted", "no paint", "painted",
                             "no paint");
    for (int i = 0; i < 5; ++i) {
        if (i < 4) {
            out << QString::asprintf("%-38s %12.1f %12.1f   %12.1f %12.1f\n", what[i],
                                     painted.window[i], quiet.window[i], painted.widget[i],
                                     quiet.widget[i]);
        } else {
            out << QString::asprintf("%-38s %12.1f %12.1f\n", what[i], painted.window[i],
                                     quiet.window[i]);
        }
    }
    out << "\n";
    out.flush();
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QTextStream out(stdout);

    printCoreAlone(out);
    printThroughWindow(out);

    std::vector<Row> uniform;
    measureAll(uniform, true, true, false);
    measureAll(uniform, true, false, false);
    print(out, "QListView / QListWidget with uniform item sizes", uniform);

    std::vector<Row> varying;
    measureAll(varying, false, true, true);
    measureAll(varying, false, false, true);
    print(out, "Item sizes not uniform (the view measures every line)", varying);
    return 0;
}
