#include "qzqtplatform.h"

#include "qzdropfiles.h"
#include "qzmessagequeue.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QCursor>
#include <QDropEvent>
#include <QFile>
#include <QFileDialog>
#include <QFont>
#include <QFontMetrics>
#include <QIcon>
#include <QImage>
#include <QImageReader>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QMouseEvent>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QStandardPaths>
#include <QTimer>
#include <QWheelEvent>
#include <QWidget>
#include <QWindow>

#include <algorithm>
#include <cerrno>
#include <map>
#include <string>
#include <vector>

#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace {

constexpr uint32_t QZ_IDLE_TRIM_DELAY = 1000; // milliseconds

void Post(qzWindowHandle window, uint32_t message, uintptr_t wparam = 0, intptr_t lparam = 0) {
    qzMessage m;
    m.window = window;
    m.message = message;
    m.wparam = wparam;
    m.lparam = lparam;
    qzPostMessage(m);
}

// A native window: each event it gets becomes messages in the engine's queue.
class qzQtWindow : public QWidget {
public:
    qzQtWindow(qzWindowHandle handle, QWidget* parent) : QWidget(parent), handle(handle) {
        setAttribute(Qt::WA_NativeWindow);
        setMouseTracking(true);
        setFocusPolicy(Qt::StrongFocus);
    }

    qzWindowHandle handle;
    bool showafterstyle = false;
    // A device draws into the native window itself; Qt paints nothing there.
    bool openglsurface = false;

    QPaintEngine* paintEngine() const override { return openglsurface ? nullptr : QWidget::paintEngine(); }

protected:
    void Post(uint32_t message, uintptr_t wparam = 0, intptr_t lparam = 0) {
        ::Post(handle, message, wparam, lparam);
    }

    // The window stays: the close request is the application's to answer.
    void closeEvent(QCloseEvent* event) override {
        event->ignore();
        Post(WM_CLOSE);
    }
    void moveEvent(QMoveEvent*) override {
        QRect client = geometry();
        Post(WM_MOVE, 0, qzMakeLParam(client.x(), client.y()));
    }
    void resizeEvent(QResizeEvent*) override {
        Post(WM_SIZE, isMinimized() ? SIZE_MINIMIZED : SIZE_RESTORED, qzMakeLParam(width(), height()));
    }
    void changeEvent(QEvent* event) override {
        if (event->type() == QEvent::WindowStateChange && isMinimized())
            Post(WM_SIZE, SIZE_MINIMIZED, qzMakeLParam(width(), height()));
        QWidget::changeEvent(event);
    }
    void focusInEvent(QFocusEvent*) override { Post(WM_SETFOCUS); }
    void focusOutEvent(QFocusEvent*) override { Post(WM_KILLFOCUS); }
    void paintEvent(QPaintEvent*) override { Post(WM_PAINT); }
    void keyPressEvent(QKeyEvent* event) override {
        // Alt+F4 asks to close, whether or not a window manager takes the key first.
        if (event->key() == Qt::Key_F4 && (event->modifiers() & Qt::AltModifier)) {
            Post(WM_CLOSE);
            return;
        }
        int key = qzQtVirtualKey(event->key(), (event->modifiers() & Qt::KeypadModifier) != 0);
        if (key != 0)
            Post(WM_KEYDOWN, static_cast<uintptr_t>(key), event->isAutoRepeat() ? (1 << 30) : 0);
        for (QChar character : event->text()) {
            if (character.unicode() <= 0xFF)
                Post(WM_CHAR, character.unicode());
        }
    }
    void keyReleaseEvent(QKeyEvent* event) override {
        // Auto-repeat is a run of key-downs; the one release comes when the key is let go.
        if (event->isAutoRepeat())
            return;
        int key = qzQtVirtualKey(event->key(), (event->modifiers() & Qt::KeypadModifier) != 0);
        if (key != 0)
            Post(WM_KEYUP, static_cast<uintptr_t>(key));
    }
    // Shift and Control as the event found them, which the queue keeps for the time the message is taken.
    static uintptr_t HeldKeys(const QInputEvent* event) {
        uintptr_t keys = 0;
        if (event->modifiers() & Qt::ShiftModifier)
            keys |= MK_SHIFT;
        if (event->modifiers() & Qt::ControlModifier)
            keys |= MK_CONTROL;
        return keys;
    }
    void PostButton(QMouseEvent* event, uint32_t left, uint32_t middle, uint32_t right) {
        QPoint at = event->position().toPoint();
        intptr_t position = qzMakeLParam(at.x(), at.y());
        if (event->button() == Qt::LeftButton)
            Post(left, HeldKeys(event), position);
        else if (event->button() == Qt::MiddleButton)
            Post(middle, HeldKeys(event), position);
        else if (event->button() == Qt::RightButton)
            Post(right, HeldKeys(event), position);
    }
    void mousePressEvent(QMouseEvent* event) override {
        PostButton(event, WM_LBUTTONDOWN, WM_MBUTTONDOWN, WM_RBUTTONDOWN);
    }
    // The second press of a double click arrives as the double-click message, with no press before it.
    void mouseDoubleClickEvent(QMouseEvent* event) override {
        PostButton(event, WM_LBUTTONDBLCLK, WM_MBUTTONDBLCLK, WM_RBUTTONDBLCLK);
    }
    void mouseReleaseEvent(QMouseEvent* event) override {
        PostButton(event, WM_LBUTTONUP, WM_MBUTTONUP, WM_RBUTTONUP);
    }
    void mouseMoveEvent(QMouseEvent* event) override {
        QPoint at = event->position().toPoint();
        Post(WM_MOUSEMOVE, HeldKeys(event), qzMakeLParam(at.x(), at.y()));
    }
    // Entering is a move as well: Qt drops a move to the position it last reported, which the pointer
    // has again when it comes back where it left.
    void enterEvent(QEnterEvent* event) override {
        Post(WM_SETCURSOR);
        QPoint at = event->position().toPoint();
        Post(WM_MOUSEMOVE, HeldKeys(event), qzMakeLParam(at.x(), at.y()));
    }
    void leaveEvent(QEvent*) override { Post(WM_MOUSELEAVE); }
    void wheelEvent(QWheelEvent* event) override {
        int16_t delta = static_cast<int16_t>(event->angleDelta().y());
        Post(WM_MOUSEWHEEL, static_cast<uintptr_t>(static_cast<uint16_t>(delta)) << 16 | HeldKeys(event));
    }
    // Only files of this machine can be opened; anything else dragged over the window is refused.
    void dragEnterEvent(QDragEnterEvent* event) override {
        if (!LocalFiles(event).empty())
            event->acceptProposedAction();
    }
    void dragMoveEvent(QDragMoveEvent* event) override {
        if (!LocalFiles(event).empty())
            event->acceptProposedAction();
    }
    void dropEvent(QDropEvent* event) override {
        std::vector<std::string> paths = LocalFiles(event);
        if (paths.empty())
            return;
        event->acceptProposedAction();
        QPoint at = event->position().toPoint();
        Post(WM_DROPFILES, qzCreateDrop(std::move(paths), at.x(), at.y()));
    }
    // The paths in the file system's own bytes.
    static std::vector<std::string> LocalFiles(const QDropEvent* event) {
        std::vector<std::string> paths;
        const QMimeData* data = event->mimeData();
        if (data == nullptr || !data->hasUrls())
            return paths;
        for (const QUrl& url : data->urls()) {
            if (url.isLocalFile())
                paths.push_back(QFile::encodeName(url.toLocalFile()).toStdString());
        }
        return paths;
    }
};

Qt::WindowFlags FlagsOfStyle(uint32_t style, uint32_t exstyle) {
    constexpr uint32_t WS_POPUP = 0x80000000u, WS_CHILD = 0x40000000u, WS_CAPTION = 0x00C00000u;
    constexpr uint32_t WS_SYSMENU = 0x00080000u, WS_THICKFRAME = 0x00040000u, WS_MINIMIZEBOX = 0x00020000u;
    constexpr uint32_t WS_MAXIMIZEBOX = 0x00010000u;
    constexpr uint32_t WS_EX_DLGMODALFRAME = 1, WS_EX_TOPMOST = 8, WS_EX_NOACTIVATE = 0x08000000u;
    Qt::WindowFlags flags;
    if (style & WS_CHILD) {
        flags = Qt::Widget;
    } else {
        flags = (exstyle & WS_EX_DLGMODALFRAME) ? Qt::Dialog : Qt::Window;
        if ((style & WS_CAPTION) != WS_CAPTION) {
            flags |= Qt::FramelessWindowHint;
        } else {
            flags |= Qt::CustomizeWindowHint | Qt::WindowTitleHint;
            if (style & WS_SYSMENU)
                flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
            if (style & WS_MINIMIZEBOX)
                flags |= Qt::WindowMinimizeButtonHint;
            if (style & WS_MAXIMIZEBOX)
                flags |= Qt::WindowMaximizeButtonHint;
        }
        if ((style & WS_POPUP) && !(style & WS_THICKFRAME) && (style & WS_CAPTION) != WS_CAPTION)
            flags |= Qt::FramelessWindowHint;
    }
    if (exstyle & WS_EX_TOPMOST)
        flags |= Qt::WindowStaysOnTopHint;
    if (exstyle & WS_EX_NOACTIVATE)
        flags |= Qt::WindowDoesNotAcceptFocus;
    return flags;
}

Qt::CursorShape ShapeOfKind(int kind) {
    static const Qt::CursorShape SHAPES[16] = {
        Qt::ArrowCursor,     Qt::BlankCursor,        Qt::BusyCursor,      Qt::ArrowCursor,
        Qt::CrossCursor,     Qt::PointingHandCursor, Qt::WhatsThisCursor, Qt::IBeamCursor,
        Qt::ForbiddenCursor, Qt::SizeAllCursor,      Qt::SizeBDiagCursor, Qt::SizeVerCursor,
        Qt::SizeFDiagCursor, Qt::SizeHorCursor,      Qt::UpArrowCursor,   Qt::WaitCursor,
    };
    return SHAPES[kind];
}

} // namespace

// A font as the engine asked for it. Its cell is fitted when a control first uses it: measuring loads the
// system's font database, which the start of the program need not wait for.
struct qzQtFont {
    QFont font;
    int height = 0;
    bool fitted = false;

    const QFont& Fitted() {
        if (!fitted) {
            // A positive height is the character cell's (ascent and descent), as the controls' layouts
            // expect; Qt's pixel size is the smaller em height.
            int cell = QFontMetrics(font).height();
            if (height > 0 && cell > height)
                font.setPixelSize(std::max(1, height * height / cell));
            fitted = true;
        }
        return font;
    }
};

// Freed memory stays with the allocator while the program works: handing the top of the heap back at every
// free, and mapping every large block afresh, made each frame fault the driver's buffers in again. The idle
// wait gives it all back (WaitForEvents).
struct qzAllocatorTuning {
    qzAllocatorTuning() {
#ifdef __GLIBC__
        mallopt(M_TRIM_THRESHOLD, 256 << 20);
        mallopt(M_MMAP_THRESHOLD, 32 << 20);
#endif
    }
};

struct qzQtPlatform::State {
    State(int& argc, char** argv) : application(argc, argv) {}
    qzAllocatorTuning tuning; // before the application, which allocates
    QApplication application;
    std::map<qzWindowHandle, qzQtWindow*> windows;
    std::map<qzWindowHandle, QWidget*> controls;
    std::map<qzPlatformHandle, qzQtFont> fonts;
    qzWindowHandle nextwindow = 1;
    qzPlatformHandle nextfont = 1;
    QIcon icon;
    bool trimmed = false; // the memory freed since the last event has gone back to the system

    qzQtWindow* Find(qzWindowHandle handle) const {
        auto found = windows.find(handle);
        return found == windows.end() ? nullptr : found->second;
    }
    QWidget* FindControl(qzWindowHandle handle) const {
        auto found = controls.find(handle);
        return found == controls.end() ? nullptr : found->second;
    }
};

qzQtPlatform::qzQtPlatform(int& argc, char** argv) : state(std::make_unique<State>(argc, argv)) {
    qzSetPlatform(this);
    qzSetResourceProvider(this);
}

qzQtPlatform::~qzQtPlatform() {
    qzSetResourceProvider(nullptr);
    qzSetPlatform(nullptr);
    for (auto& [handle, window] : state->windows)
        delete window;
}

// The palette's button face serves as the shared brush; there is nothing to allocate.
qzPlatformHandle qzQtPlatform::GetSysColorBrush(int index) {
    return static_cast<qzPlatformHandle>(index) + 1;
}

qzPlatformHandle qzQtPlatform::LoadIcon(unsigned resource) {
    // Read as PNG by name: a reader that guesses the format loads every image plugin to ask it.
    QImageReader reader(QString(":/icon/%1.png").arg(resource), "png");
    reader.setAutoDetectImageFormat(false);
    QImage image = reader.read();
    if (image.isNull()) {
        errno = ENOENT;
        return 0;
    }
    state->icon = QIcon(QPixmap::fromImage(image));
    return resource;
}

qzPlatformHandle qzQtPlatform::CreateFont(const char* face, int height, int weight) {
    qzQtFont font;
    font.font = QFont(QString::fromLatin1(face));
    font.font.setPixelSize(height);
    font.font.setWeight(weight >= 700 ? QFont::Bold : QFont::Normal);
    font.height = height;
    qzPlatformHandle handle = state->nextfont++;
    state->fonts[handle] = font;
    return handle;
}

void qzQtPlatform::DeleteFont(qzPlatformHandle font) {
    state->fonts.erase(font);
}

uint16_t qzQtPlatform::RegisterClass(const char*, qzPlatformHandle icon) {
    if (icon != 0)
        QApplication::setWindowIcon(state->icon);
    return 1;
}

void qzQtPlatform::UnregisterClass(const char*) {}

qzWindowHandle qzQtPlatform::CreateWindow(qzWindow* window, const char* title, uint32_t style,
                                          uint32_t exstyle, const qzRect& outer, bool defaultx, bool defaulty,
                                          qzWindowHandle parent) {
    QWidget* parentwidget = state->Find(parent);
    qzWindowHandle handle = state->nextwindow++;
    qzQtWindow* widget = new qzQtWindow(handle, parentwidget);
    widget->setWindowFlags(FlagsOfStyle(style, exstyle));
    widget->setWindowTitle(QString::fromLatin1(title));
    widget->resize(outer.right - outer.left, outer.bottom - outer.top);
    if (!defaultx || !defaulty)
        widget->move(defaultx ? widget->x() : outer.left, defaulty ? widget->y() : outer.top);
    state->windows[handle] = widget;
    qzMessage created;
    created.window = handle;
    created.message = WM_NCCREATE;
    created.lparam = reinterpret_cast<intptr_t>(window);
    qzSendMessage(created);
    return handle;
}

void qzQtPlatform::DestroyWindow(qzWindowHandle window) {
    auto found = state->windows.find(window);
    if (found == state->windows.end())
        return;
    delete found->second;
    state->windows.erase(found);
}

bool qzQtPlatform::GetWindowPlacement(qzWindowHandle window, qzRect& outer) {
    qzQtWindow* widget = state->Find(window);
    if (widget == nullptr)
        return false;
    QRect normal =
        widget->isMaximized() || widget->isMinimized() ? widget->normalGeometry() : widget->geometry();
    outer = {normal.left(), normal.top(), normal.left() + normal.width(), normal.top() + normal.height()};
    return true;
}

// Qt places and sizes windows by their client area, and the frame belongs to the window manager: the outer
// rectangle the engine computes is the client rectangle here.
void qzQtPlatform::AdjustWindowRectEx(qzRect&, uint32_t, uint32_t) {}

void qzQtPlatform::SetWindowStyle(qzWindowHandle window, uint32_t style, uint32_t exstyle) {
    qzQtWindow* widget = state->Find(window);
    if (widget == nullptr)
        return;
    Qt::WindowFlags flags = FlagsOfStyle(style, exstyle);
    QWindow* native = widget->windowHandle();
    if (native != nullptr && (flags & Qt::WindowType_Mask) == (widget->windowFlags() & Qt::WindowType_Mask)) {
        // The native window stays, so a device drawing into it keeps its surface.
        widget->overrideWindowFlags(flags);
        native->setFlags(flags);
        return;
    }
    // New flags hide the window; it shows again once it has its new place.
    bool visible = widget->isVisible();
    widget->setWindowFlags(flags);
    widget->showafterstyle = visible;
}

void qzQtPlatform::SetWindowPos(qzWindowHandle window, const qzRect& outer) {
    qzQtWindow* widget = state->Find(window);
    if (widget == nullptr)
        return;
    widget->setGeometry(outer.left, outer.top, outer.right - outer.left, outer.bottom - outer.top);
    if (widget->showafterstyle) {
        widget->showafterstyle = false;
        widget->show();
        widget->activateWindow();
    }
}

QWindow* qzQtPlatform::PrepareOpenGLSurface(qzWindowHandle window, const QSurfaceFormat& format) {
    qzQtWindow* widget = state->Find(window);
    if (widget == nullptr)
        return nullptr;
    widget->openglsurface = true;
    widget->setAttribute(Qt::WA_PaintOnScreen);
    widget->setAttribute(Qt::WA_NoSystemBackground);
    widget->setAutoFillBackground(false);
    widget->winId();
    QWindow* native = widget->windowHandle();
    if (native == nullptr)
        return nullptr;
    if (native->surfaceType() != QSurface::OpenGLSurface || !native->handle()) {
        // The surface type is fixed when the native window is made: it is made again, hidden meanwhile.
        bool visible = widget->isVisible();
        if (visible)
            widget->hide();
        native->destroy();
        native->setSurfaceType(QSurface::OpenGLSurface);
        native->setFormat(format);
        native->create();
        if (visible)
            widget->show();
    }
    return native;
}

void qzQtPlatform::SetMinimumClientSize(qzWindowHandle window, int32_t width, int32_t height) {
    if (qzQtWindow* widget = state->Find(window))
        widget->setMinimumSize(width, height);
}

void qzQtPlatform::ShowWindow(qzWindowHandle window, int command) {
    qzQtWindow* widget = state->Find(window);
    if (widget == nullptr)
        return;
    if (command == SW_SHOWMAXIMIZED)
        widget->showMaximized();
    else
        widget->showNormal();
    widget->activateWindow();
}

void qzQtPlatform::SetWindowText(qzWindowHandle window, const char* text) {
    if (qzQtWindow* widget = state->Find(window))
        widget->setWindowTitle(QString::fromLatin1(text));
}

void qzQtPlatform::SetBackground(qzWindowHandle window, bool enabled, uint32_t bgr) {
    qzQtWindow* widget = state->Find(window);
    if (widget == nullptr)
        return;
    // Without a background the platform leaves the client area alone.
    widget->setAttribute(Qt::WA_NoSystemBackground, !enabled);
    widget->setAttribute(Qt::WA_OpaquePaintEvent, !enabled);
    widget->setAutoFillBackground(enabled);
    if (enabled) {
        QPalette palette = widget->palette();
        palette.setColor(QPalette::Window, QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF));
        widget->setPalette(palette);
    }
}

void qzQtPlatform::InvalidateRect(qzWindowHandle window) {
    if (qzQtWindow* widget = state->Find(window))
        widget->update();
}

bool qzQtPlatform::SetCursor(qzWindowHandle window, int kind) {
    qzQtWindow* widget = state->Find(window);
    if (widget == nullptr || kind < 1 || kind > 15) {
        errno = EINVAL;
        return false;
    }
    widget->setCursor(ShapeOfKind(kind));
    return true;
}

// A press grabs the mouse by itself and the last release lets it go.
void qzQtPlatform::SetCapture(qzWindowHandle) {}
void qzQtPlatform::ReleaseCapture() {}
// Leaving is always reported.
void qzQtPlatform::TrackMouseLeave(qzWindowHandle) {}

void qzQtPlatform::DragAcceptFiles(qzWindowHandle window, bool accept) {
    if (qzQtWindow* widget = state->Find(window))
        widget->setAcceptDrops(accept);
}

qzWindowHandle qzQtPlatform::CreateControl(qzWindowHandle parent, int kind, const char* text,
                                           const qzRect& rect, qzPlatformHandle font) {
    qzQtWindow* parentwidget = state->Find(parent);
    if (parentwidget == nullptr) {
        errno = EINVAL;
        return 0;
    }
    qzWindowHandle handle = state->nextwindow++;
    QString content = QString::fromLatin1(text);
    QWidget* control = nullptr;
    switch (kind) {
    case QZCONTROL_BUTTON: {
        QPushButton* button = new QPushButton(content, parentwidget);
        QObject::connect(button, &QPushButton::clicked, [parent, handle] {
            Post(parent, WM_COMMAND, static_cast<uintptr_t>(BN_CLICKED) << 16, static_cast<intptr_t>(handle));
        });
        control = button;
        break;
    }
    case QZCONTROL_EDIT:
        control = new QLineEdit(content, parentwidget);
        break;
    case QZCONTROL_TEXTBOX: {
        // Qt ends its lines in a line feed alone.
        QPlainTextEdit* box = new QPlainTextEdit(content.replace("\r\n", "\n"), parentwidget);
        box->setReadOnly(true);
        box->setLineWrapMode(QPlainTextEdit::NoWrap);
        control = box;
        break;
    }
    case QZCONTROL_STATIC: {
        QLabel* label = new QLabel(content, parentwidget);
        label->setWordWrap(true);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        control = label;
        break;
    }
    default:
        errno = EINVAL;
        return 0;
    }
    auto found = state->fonts.find(font);
    if (found != state->fonts.end())
        control->setFont(found->second.Fitted());
    control->setGeometry(rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
    control->show();
    state->controls[handle] = control;
    return handle;
}

void qzQtPlatform::DestroyControl(qzWindowHandle control) {
    auto found = state->controls.find(control);
    if (found == state->controls.end())
        return;
    delete found->second;
    state->controls.erase(found);
}

void qzQtPlatform::ShowControl(qzWindowHandle control, bool visible) {
    if (QWidget* widget = state->FindControl(control))
        widget->setVisible(visible);
}

void qzQtPlatform::EnableControl(qzWindowHandle control, bool enabled) {
    if (QWidget* widget = state->FindControl(control))
        widget->setEnabled(enabled);
}

void qzQtPlatform::FocusControl(qzWindowHandle control) {
    if (QWidget* widget = state->FindControl(control))
        widget->setFocus(Qt::OtherFocusReason);
}

void qzQtPlatform::MoveControl(qzWindowHandle control, const qzRect& rect) {
    if (QWidget* widget = state->FindControl(control))
        widget->setGeometry(rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
}

void qzQtPlatform::SetControlText(qzWindowHandle control, const char* text) {
    QWidget* widget = state->FindControl(control);
    QString content = QString::fromLatin1(text);
    if (QPushButton* button = qobject_cast<QPushButton*>(widget))
        button->setText(content);
    else if (QLineEdit* edit = qobject_cast<QLineEdit*>(widget))
        edit->setText(content);
    else if (QPlainTextEdit* box = qobject_cast<QPlainTextEdit*>(widget))
        box->setPlainText(content.replace("\r\n", "\n"));
    else if (QLabel* label = qobject_cast<QLabel*>(widget))
        label->setText(content);
}

void qzQtPlatform::GetControlText(qzWindowHandle control, qzString& text) {
    QWidget* widget = state->FindControl(control);
    QString content;
    if (QPushButton* button = qobject_cast<QPushButton*>(widget))
        content = button->text();
    else if (QLineEdit* edit = qobject_cast<QLineEdit*>(widget))
        content = edit->text();
    else if (QPlainTextEdit* box = qobject_cast<QPlainTextEdit*>(widget))
        content = box->toPlainText().replace("\n", "\r\n");
    else if (QLabel* label = qobject_cast<QLabel*>(widget))
        content = label->text();
    QByteArray bytes = content.toLatin1();
    text.Append(bytes.constData(), static_cast<uint32_t>(bytes.size()));
}

void qzQtPlatform::ProcessEvents() {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void qzQtPlatform::WaitForEvents(uint32_t timeout) {
    // A precise timer wakes the wait at the deadline; coarse ones may come late by a twentieth.
    QTimer deadline;
    deadline.setTimerType(Qt::PreciseTimer);
    deadline.setSingleShot(true);
    // A program that has been idle for a second gives back the memory its work freed, once: the allocator
    // keeps the pages of freed driver buffers, and resizes would make the program grow by them.
    bool trim = timeout == QZINFINITE && !state->trimmed;
    if (trim)
        timeout = QZ_IDLE_TRIM_DELAY;
    if (timeout != QZINFINITE)
        deadline.start(static_cast<int>(std::min<uint32_t>(timeout, 0x7FFFFFFF)));
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    bool idle = timeout != QZINFINITE && !deadline.isActive();
    state->trimmed = trim && idle;
#ifdef __GLIBC__
    if (trim && idle)
        malloc_trim(0);
#endif
}

int qzQtPlatform::GetSystemMetrics(int index) {
    QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr)
        return 0;
    QRect geometry = screen->geometry();
    return index == SM_CXSCREEN ? geometry.width() : index == SM_CYSCREEN ? geometry.height() : 0;
}

// Not the keyboard as it is now but as of the message being handled: the keys of a quick Ctrl+O have all
// been let go by the time a busy frame lets its messages through.
int16_t qzQtPlatform::GetKeyState(int key) {
    return qzGetMessageKeyState(key);
}

bool qzQtPlatform::GetCursorPos(int32_t& x, int32_t& y) {
    QPoint position = QCursor::pos();
    x = position.x();
    y = position.y();
    return true;
}

bool qzQtPlatform::SetCursorPos(int32_t x, int32_t y) {
    QCursor::setPos(x, y);
    return true;
}

std::string qzQtPlatform::GetUserDataFolder() {
    // $XDG_DATA_HOME, else ~/.local/share
    return QFile::encodeName(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation))
        .toStdString();
}

int qzQtPlatform::MessageBox(qzWindowHandle owner, const char* text, const char* caption, uint32_t type) {
    QMessageBox box(state->Find(owner));
    box.setWindowTitle(QString::fromLatin1(caption));
    box.setText(QString::fromLatin1(text));
    switch (type & 0xF0) {
    case MB_ICONERROR:
        box.setIcon(QMessageBox::Critical);
        break;
    case MB_ICONQUESTION:
        box.setIcon(QMessageBox::Question);
        break;
    case MB_ICONWARNING:
        box.setIcon(QMessageBox::Warning);
        break;
    case MB_ICONINFORMATION:
        box.setIcon(QMessageBox::Information);
        break;
    }
    struct Choice {
        QMessageBox::StandardButton button;
        int answer;
    };
    std::vector<Choice> choices;
    switch (type & 0x0F) {
    case MB_OKCANCEL:
        choices = {{QMessageBox::Ok, IDOK}, {QMessageBox::Cancel, IDCANCEL}};
        break;
    case MB_YESNOCANCEL:
        choices = {{QMessageBox::Yes, IDYES}, {QMessageBox::No, IDNO}, {QMessageBox::Cancel, IDCANCEL}};
        break;
    case MB_YESNO:
        choices = {{QMessageBox::Yes, IDYES}, {QMessageBox::No, IDNO}};
        break;
    case MB_RETRYCANCEL:
        choices = {{QMessageBox::Retry, IDRETRY}, {QMessageBox::Cancel, IDCANCEL}};
        break;
    default:
        choices = {{QMessageBox::Ok, IDOK}};
        break;
    }
    QMessageBox::StandardButtons buttons;
    for (const Choice& choice : choices)
        buttons |= choice.button;
    box.setStandardButtons(buttons);
    box.exec();
    QMessageBox::StandardButton pressed = box.standardButton(box.clickedButton());
    for (const Choice& choice : choices)
        if (choice.button == pressed)
            return choice.answer;
    // Closed without a button: the last choice, which is the cancelling one (or "No", or the only "OK").
    return choices.back().answer;
}

bool qzQtPlatform::FileDialog(const qzFileDialogRequest& request, std::vector<std::string>& files) {
    QStringList filters;
    for (const qzFileFilter& filter : request.filters) {
        QStringList patterns;
        for (const std::string& pattern : filter.patterns)
            patterns << QString::fromStdString(pattern);
        filters << QString("%1 (%2)").arg(QString::fromStdString(filter.description), patterns.join(' '));
    }
    QFileDialog dialog(state->Find(request.owner), QString(),
                       QString::fromStdString(request.initialdirectory));
    dialog.setNameFilters(filters);
    dialog.setAcceptMode(request.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(request.save          ? QFileDialog::AnyFile
                       : request.multiselect ? QFileDialog::ExistingFiles
                                             : QFileDialog::ExistingFile);
    dialog.setDefaultSuffix(QString::fromStdString(request.defaultextension));
    if (dialog.exec() != QDialog::Accepted)
        return false;
    for (const QString& file : dialog.selectedFiles())
        files.push_back(file.toStdString());
    return true;
}

bool qzQtPlatform::HasClipboardText() {
    QClipboard* clipboard = QGuiApplication::clipboard();
    return clipboard != nullptr && clipboard->mimeData() != nullptr && clipboard->mimeData()->hasText();
}

const char* qzQtPlatform::SetClipboardText(const char* text, uint32_t length) {
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (clipboard == nullptr) {
        errno = ENODEV;
        return "QGuiApplication::clipboard";
    }
    clipboard->setText(QString::fromLatin1(text, length));
    return nullptr;
}

const char* qzQtPlatform::GetClipboardText(qzString& text) {
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (clipboard == nullptr) {
        errno = ENODEV;
        return "QGuiApplication::clipboard";
    }
    // One byte a character, as the keyboard's characters arrive; others cannot be held.
    QByteArray bytes = clipboard->text().toLatin1();
    text.Append(bytes.constData(), static_cast<uint32_t>(bytes.size()));
    return nullptr;
}

bool qzQtPlatform::Load(const char* name, qzString& data) {
    QFile file(QString(":/rcdata/%1").arg(QString::fromLatin1(name)));
    if (!file.open(QIODevice::ReadOnly))
        return false;
    QByteArray bytes = file.readAll();
    data.Append(bytes.constData(), static_cast<uint32_t>(bytes.size()));
    return true;
}

int qzQtVirtualKey(int qtkey, bool keypad) {
    if (keypad) {
        // The keypad's own codes whatever the NumLock state: the digit or the key NumLock-off turns it into.
        switch (qtkey) {
        case Qt::Key_0:
        case Qt::Key_Insert:
            return 96;
        case Qt::Key_1:
        case Qt::Key_End:
            return 97;
        case Qt::Key_2:
        case Qt::Key_Down:
            return 98;
        case Qt::Key_3:
        case Qt::Key_PageDown:
            return 99;
        case Qt::Key_4:
        case Qt::Key_Left:
            return 100;
        case Qt::Key_5:
        case Qt::Key_Clear:
            return 101;
        case Qt::Key_6:
        case Qt::Key_Right:
            return 102;
        case Qt::Key_7:
        case Qt::Key_Home:
            return 103;
        case Qt::Key_8:
        case Qt::Key_Up:
            return 104;
        case Qt::Key_9:
        case Qt::Key_PageUp:
            return 105;
        case Qt::Key_Asterisk:
            return 106;
        case Qt::Key_Plus:
            return 107;
        case Qt::Key_Minus:
            return 109;
        case Qt::Key_Period:
        case Qt::Key_Delete:
        case Qt::Key_Comma:
            return 110;
        case Qt::Key_Slash:
            return 111;
        case Qt::Key_Enter:
            return 13;
        default:
            break;
        }
    }
    if (qtkey >= Qt::Key_A && qtkey <= Qt::Key_Z)
        return qtkey;
    if (qtkey >= Qt::Key_0 && qtkey <= Qt::Key_9)
        return qtkey;
    if (qtkey >= Qt::Key_F1 && qtkey <= Qt::Key_F12)
        return 112 + (qtkey - Qt::Key_F1);
    switch (qtkey) {
    case Qt::Key_Backspace:
        return 8;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return 9;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return 13;
    case Qt::Key_Shift:
        return 16;
    case Qt::Key_Control:
        return 17;
    case Qt::Key_Alt:
        return 18;
    case Qt::Key_Pause:
        return 19;
    case Qt::Key_CapsLock:
        return 20;
    case Qt::Key_Escape:
        return 27;
    case Qt::Key_Space:
        return 32;
    case Qt::Key_PageUp:
        return 33;
    case Qt::Key_PageDown:
        return 34;
    case Qt::Key_End:
        return 35;
    case Qt::Key_Home:
        return 36;
    case Qt::Key_Left:
        return 37;
    case Qt::Key_Up:
        return 38;
    case Qt::Key_Right:
        return 39;
    case Qt::Key_Down:
        return 40;
    case Qt::Key_Insert:
        return 45;
    case Qt::Key_Delete:
        return 46;
    case Qt::Key_Asterisk:
        return 106;
    case Qt::Key_Plus:
        return 187;
    case Qt::Key_Comma:
        return 188;
    case Qt::Key_Minus:
        return 189;
    case Qt::Key_Period:
        return 190;
    case Qt::Key_Slash:
        return 191;
    default:
        return 0;
    }
}
