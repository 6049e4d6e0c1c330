// Build-time helper: writes the program icon at one of the sizes the desktop's icon theme
// looks for, so that only the large master picture is kept in the sources.
// usage: vorlat_scale_icon IN.png SIZE OUT.png

#include <QImage>
#include <QString>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fputs("usage: vorlat_scale_icon IN.png SIZE OUT.png\n", stderr);
        return 2;
    }
    const int size = std::atoi(argv[2]);
    const QImage master(QString::fromLocal8Bit(argv[1]));
    if (master.isNull() || size <= 0) {
        std::fprintf(stderr, "vorlat_scale_icon: cannot read %s or bad size %s\n", argv[1],
                     argv[2]);
        return 1;
    }
    // Averaging premultiplied pixels keeps the colour of transparent ones from bleeding into
    // the edges of the small sizes.
    const QImage scaled = master.convertToFormat(QImage::Format_ARGB32_Premultiplied)
                              .scaled(size, size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    if (!scaled.save(QString::fromLocal8Bit(argv[3]), "PNG")) {
        std::fprintf(stderr, "vorlat_scale_icon: cannot write %s\n", argv[3]);
        return 1;
    }
    return 0;
}
