#include "app/Dravik.h"
#include "app/ScreenshotRender.h"

#include <QByteArray>
#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--render-screenshot") != 0)
            continue;
        if (i + 1 >= argc) {
            std::fprintf(stderr, "usage: dravik --render-screenshot <file.png>\n");
            return 2;
        }
        return RenderScreenshot(argc, argv, QString::fromLocal8Bit(argv[i + 1]));
    }
    CDravikApp app(argc, argv);
    return app.Run();
}
