#include "ClickableViews.h"

#include "link/PortMap.h"

#include <QFileInfo>
#include <QKeyEvent>
#include <QItemSelectionModel>
#include <QMouseEvent>
#include <QScrollBar>

void EchoBox::mousePressEvent(QMouseEvent* event) {
    QLineEdit::mousePressEvent(event);
    emit clicked();
}

StepListView::StepListView(QWidget* parent) : QListView(parent) {
    m_delegate = new StepLineDelegate(this);
    setItemDelegate(m_delegate);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // Kept even when every line fits, so the columns do not narrow when the list grows.
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
}

int StepListView::shownStep() const {
    return m_delegate->shownStep().row();
}

void StepListView::setShownStep(int row) {
    m_delegate->setShownStep(model() ? QPersistentModelIndex(model()->index(row, 0))
                                     : QPersistentModelIndex());
    viewport()->update();
}

QSize StepListView::minimumSizeHint() const {
    const int chrome = 2 * frameWidth() + verticalScrollBar()->sizeHint().width();
    return {StepColumns::minimumWidth(font()) + chrome, QListView::minimumSizeHint().height()};
}

void StepListView::mousePressEvent(QMouseEvent* event) {
    QListView::mousePressEvent(event);
    emit mouseDown(event->button(), indexAt(event->position().toPoint()).row());
}

void StepListView::mouseReleaseEvent(QMouseEvent* event) {
    QListView::mouseReleaseEvent(event);
    emit mouseUp(event->button(), indexAt(event->position().toPoint()).row());
}

void StepListView::keyPressEvent(QKeyEvent* event) {
    if (event->modifiers() == Qt::NoModifier || event->modifiers() == Qt::KeypadModifier) {
        switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            emit showKey();
            return;
        case Qt::Key_Delete:
            emit removeKey();
            return;
        default:
            break;
        }
    }
    QListView::keyPressEvent(event);
}

void StepListView::mouseMoveEvent(QMouseEvent* event) {
    if (event->buttons() != Qt::LeftButton || event->modifiers() != Qt::NoModifier) {
        QListView::mouseMoveEvent(event);
        return;
    }
    const QModelIndex under = indexAt(event->position().toPoint());
    if (under.isValid() && under != currentIndex()) {
        selectionModel()->setCurrentIndex(under, QItemSelectionModel::ClearAndSelect);
    }
}

PortChooser::PortChooser(portmap::Lookup lookup, QWidget* parent)
    : QComboBox(parent), m_lookup(std::move(lookup)),
      m_describer([](const QString& device) { return portmap::describeDevice(device); }) {
    // The chooser takes the width the row gives it instead of growing to its longest entry.
    setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    setMinimumContentsLength(12);
    view()->setTextElideMode(Qt::ElideMiddle);
    m_settle = new QTimer(this);
    m_settle->setSingleShot(true);
    m_settle->setInterval(300); // udev makes the by-id links a moment after the device node
    connect(m_settle, &QTimer::timeout, this, [this] {
        watchDevices();
        refreshDevices();
    });
    m_watcher = new QFileSystemWatcher(this);
    connect(m_watcher, &QFileSystemWatcher::directoryChanged, m_settle,
            static_cast<void (QTimer::*)()>(&QTimer::start));
    watchDevices();
}

void PortChooser::watchDevices() {
    // by-id and the port folder appear and vanish with their first and last entry.
    const QStringList folders{QStringLiteral("/dev"), QStringLiteral("/dev/serial/by-id"),
                              portmap::portFolder()};
    for (const QString& folder : folders) {
        if (!m_watcher->directories().contains(folder) && QFileInfo(folder).isDir()) {
            m_watcher->addPath(folder);
        }
    }
}

QString PortChooser::portName(int index) const {
    return QStringLiteral("Comm%1").arg(itemData(index).toInt());
}

portmap::Resolution PortChooser::resolution(int index) const {
    return m_lookup ? m_lookup(itemData(index).toInt()) : portmap::Resolution();
}

QString PortChooser::describe(const portmap::Resolution& r) const {
    if (!r.device.isEmpty()) {
        return m_describer(r.device);
    }
    return r.missing.isEmpty() ? tr("no device") : portmap::describe(r);
}

void PortChooser::refreshDevices() {
    const portmap::ScanBatch once;
    const QFontMetrics metrics = fontMetrics();
    for (int i = 0; i < count(); ++i) {
        const portmap::Resolution r = resolution(i);
        const QString shown = describe(r);
        const QString text = QStringLiteral("%1 \u2014 %2").arg(portName(i), shown);
        setItemText(i, metrics.elidedText(text, Qt::ElideMiddle, kMaxTextWidthPx));
        const bool nothing = r.device.isEmpty() && r.missing.isEmpty();
        setItemData(i, nothing ? tr("No device attached") : shown, Qt::ToolTipRole);
    }
}

void PortChooser::showPopup() {
    refreshDevices();
    QComboBox::showPopup();
}
