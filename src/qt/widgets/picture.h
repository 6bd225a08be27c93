// qt/widgets/: the picture boxes. The two chart boxes draw into a retained image that
// repaints itself; the hidden communication monitor only keeps the lines printed to it.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "qt/widgets/widgets.h"

#include <QImage>
#include <QWidget>

#include <cstddef>
#include <deque>
#include <string>

namespace kelvo::qt {

// The widget of a chart box: shows its image and keeps it across resizes.
class RetainedCanvas final : public QWidget {
public:
    explicit RetainedCanvas(QWidget* parent);
    // The image, at the widget's size (a hidden widget gets no resize events).
    QImage& image();
    QColor back_color() const { return back_; }
    void set_back_color(const QColor& color) { back_ = color; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QImage image_;
    QColor back_;
};

class QtPictureBox final : public WidgetControl<platform::PictureBox, RetainedCanvas> {
public:
    explicit QtPictureBox(QWidget* parent);
    void cls() override;
    void set_draw_style(LineStyle style) override { style_ = style; }
    void set_draw_width(int pixels) override { width_ = pixels < 1 ? 1 : pixels; }
    void set_fore_color(platform::Color color) override;
    void set_auto_redraw(bool) override {}
    void set_current_x(float x) override { current_x_ = x; }
    void set_current_y(float y) override { current_y_ = y; }
    void line(float x1, float y1, float x2, float y2,
              std::optional<platform::Color> color) override;
    void print(const std::string& text) override;

    float current_x() const { return current_x_; }
    float current_y() const { return current_y_; }

private:
    LineStyle style_ = LineStyle::Solid;
    int width_ = 1;
    QColor fore_;
    float current_x_ = 0;
    float current_y_ = 0;
};

// Picture2: nobody looks at it on screen, but it holds the recent lines of the link's
// report for whoever wants them: the newest that fit in kMaxBytes. A line counts its text,
// cut to kMaxLineBytes, and kLineCost for being kept at all, so that neither a supply
// flooding the port nor a stream of empty lines makes it grow.
class MonitorBox final : public platform::PictureBox {
public:
    static constexpr std::size_t kMaxBytes = std::size_t{256} * 1024;
    static constexpr std::size_t kMaxLineBytes = 1024; // what one read of the port keeps
    static constexpr std::size_t kLineCost = 32;

    void set_geometry(double, double, double, std::optional<double>) override {}
    void set_font_size(double points) override { points_ = points; }
    double font_size() const override { return points_; }
    void cls() override;
    void set_draw_style(LineStyle) override {}
    void set_draw_width(int) override {}
    void set_fore_color(platform::Color) override {}
    void set_auto_redraw(bool) override {}
    void set_current_x(float) override {}
    void set_current_y(float) override {}
    void line(float, float, float, float, std::optional<platform::Color>) override {}
    void print(const std::string& text) override;
    const std::deque<std::string>& lines() const { return lines_; }

private:
    double points_ = 9;
    std::deque<std::string> lines_;
    std::size_t bytes_ = 0;
};

} // namespace kelvo::qt
