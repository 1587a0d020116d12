#pragma once

#include <optional>

#include <QString>
#include <QWidget>

#include "ui/metafile.h"

namespace quillon {

// One picture position of a window (a cluster slot, the preview, the logo). It draws a metafile
// scaled to fit, keeping its proportions; an empty path leaves the position empty, and a file
// that cannot be read (or a picture too costly to draw) shows a neutral tile with the file's name.
// It can carry the single-line border that marks a selected slot, and reports clicks.
class PictureBox : public QWidget
{
    Q_OBJECT

public:
    enum class Content
    {
        Empty,
        Picture,
        Unreadable,
    };

    explicit PictureBox(QWidget* parent = nullptr);

    // Shows the metafile at `path` (read once per change of path); "" empties the position.
    void setPicturePath(const QString& path);
    [[nodiscard]] QString picturePath() const { return m_path; }
    [[nodiscard]] Content content() const;

    void setBorder(bool on);
    [[nodiscard]] bool hasBorder() const { return m_border; }

    [[nodiscard]] QSize sizeHint() const override;

Q_SIGNALS:
    void clicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QString m_path;
    std::optional<Metafile> m_picture;
    bool m_border = false;
    bool m_pressed = false;
};

} // namespace quillon
