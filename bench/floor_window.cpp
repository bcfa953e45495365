// The floor of this platform: a Qt window with an OpenGL context that clears itself once shown and then
// waits. What the real program needs beyond this is its own cost.
#include <QGuiApplication>
#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <QWindow>

namespace {

class FloorWindow : public QWindow {
public:
    FloorWindow() {
        setSurfaceType(QSurface::OpenGLSurface);
        setTitle("Floor");
        resize(800, 600);
    }

protected:
    void exposeEvent(QExposeEvent*) override {
        if (!isExposed())
            return;
        if (!context.isValid()) {
            context.setFormat(requestedFormat());
            context.create();
        }
        context.makeCurrent(this);
        context.functions()->glClearColor(0.7f, 0.7f, 0.7f, 1.0f);
        context.functions()->glClear(GL_COLOR_BUFFER_BIT);
        context.swapBuffers(this);
    }

private:
    QOpenGLContext context;
};

} // namespace

int main(int argc, char** argv) {
    QGuiApplication application(argc, argv);
    FloorWindow window;
    window.show();
    return application.exec();
}
