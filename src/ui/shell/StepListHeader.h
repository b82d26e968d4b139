#pragma once

#include "ui/shell/StepLineDelegate.h"

#include <QPointer>
#include <QWidget>

class StepListView;

// The captions of the step list's columns, above the list. It takes the columns from the same
// fit as the list's lines, over the list's viewport, so the two stay aligned whatever the
// list's width.
class StepListHeader : public QWidget {
    Q_OBJECT
public:
    explicit StepListHeader(StepListView* view, QWidget* parent = nullptr);

    StepColumns columns() const;
    // Where the viewport's, and so the columns', left edge lies in this widget.
    int columnsOrigin() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    QPointer<StepListView> m_view;
};
