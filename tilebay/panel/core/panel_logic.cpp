#include "tilebay/panel/core/panel_logic.h"

#include <QCoreApplication>

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace tilebay {
namespace {

constexpr double kCaptionGap = 40;  // between the list and the caption strip

}  // namespace

std::optional<QPointF> RetractedPosition(int dockPosition, double titlecapTop, double screenWidth,
                                         double windowWidth) {
    switch (dockPosition) {
        case 1:
            return QPointF(0, -titlecapTop);
        case 2:
            return QPointF(screenWidth / 2 - windowWidth / 2, -titlecapTop);
        case 3:
            return QPointF(screenWidth - windowWidth, -titlecapTop);
        default:
            return std::nullopt;
    }
}

namespace {

double Luminance(const QColor& colour) {
    const auto channel = [](double value) {
        return value <= 0.03928 ? value / 12.92 : std::pow((value + 0.055) / 1.055, 2.4);
    };
    const QColor rgb = colour.toRgb();
    return 0.2126 * channel(rgb.redF()) + 0.7152 * channel(rgb.greenF()) +
           0.0722 * channel(rgb.blueF());
}

}  // namespace

double ContrastRatio(const QColor& a, const QColor& b) {
    const double la = Luminance(a);
    const double lb = Luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor ReadableTextColour(const QColor& text, const QColor& face) {
    if (ContrastRatio(text, face) >= 3.0) {
        return text;
    }
    const QColor black(0, 0, 0);
    const QColor white(255, 255, 255);
    return ContrastRatio(black, face) >= ContrastRatio(white, face) ? black : white;
}

PanelLogic::PanelLogic(QString programFolder, StyleSettings& style, PanelView& view,
                       PanelServices& services)
    : programFolder_(std::move(programFolder)), style_(style), view_(view), services_(services) {
    for (int i = 0; i < kPanelControlCount; ++i) {
        geometry_[static_cast<std::size_t>(i)] = DesignGeometry(static_cast<PanelControl>(i));
    }
}

void PanelLogic::Step(int number, const std::function<void()>& body) {
    try {
        body();
    } catch (const StepFailed&) {
        skipped_.push_back(number);
    }
}

void PanelLogic::ReadKey(StyleKey key) {
    // A value that is not a 16-bit integer keeps the field as it was; the
    // step goes on with that value.
    ReadStyleKey(programFolder_, key, style_);
}

QColor PanelLogic::Colour(qint16 red, qint16 green, qint16 blue) const {
    const std::optional<QColor> colour = ComposeColour(red, green, blue);
    if (!colour) {
        throw StepFailed("negative colour component");
    }
    return *colour;
}

void PanelLogic::Place(PanelControl control, const QRectF& rect) {
    if (rect.width() < 0 || rect.height() < 0 || !std::isfinite(rect.height())) {
        throw StepFailed("negative size");
    }
    view_.SetGeometry(control, rect);
    geometry_[static_cast<std::size_t>(control)] = rect;
}

void PanelLogic::MoveTo(double left, double top) {
    view_.MoveWindow(left, top);
    windowLeft_ = left;
    windowTop_ = top;
}

void PanelLogic::Load() {
    using C = PanelControl;
    skipped_.clear();
    Step(1, [&] { view_.ShowSplash(); });
    Step(2, [&] { ReadKey(StyleKey::StyleFolder); });
    for (StyleKey key : {StyleKey::FontRed, StyleKey::FontGreen, StyleKey::FontBlue}) {
        Step(3, [&] { ReadKey(key); });
    }
    for (C control : {C::lvwIcons, C::Check1, C::Check3, C::Check2, C::closebtn, C::titlecap}) {
        Step(4, [&] {
            view_.SetTextColour(control, Colour(style_.fontRed, style_.fontGreen, style_.fontBlue));
        });
    }
    for (StyleKey key : {StyleKey::BgRed, StyleKey::BgGreen, StyleKey::BgBlue}) {
        Step(5, [&] { ReadKey(key); });
    }
    for (C control : {C::Window, C::Check1, C::Check2, C::Check3, C::titlecap, C::lvwIcons}) {
        Step(6, [&] {
            view_.SetBackColour(control, Colour(style_.bgRed, style_.bgGreen, style_.bgBlue));
        });
    }
    for (StyleKey key : {StyleKey::BorderRed, StyleKey::BorderGreen, StyleKey::BorderBlue}) {
        Step(7, [&] { ReadKey(key); });
    }
    for (C control : {C::borderleft, C::borderright, C::borderbottom}) {
        Step(8, [&] {
            view_.SetBackColour(control,
                                Colour(style_.borderRed, style_.borderGreen, style_.borderBlue));
        });
    }
    Step(9, [&] { ReadKey(StyleKey::BoxHeight); });
    auto resized = [&](C control, auto change) {
        QRectF rect = Geometry(control);
        change(rect);
        Place(control, rect);
    };
    Step(10, [&] { resized(C::lvwIcons, [&](QRectF& r) { r.setHeight(style_.boxHeight); }); });
    Step(10, [&] {
        const QRectF list = Geometry(C::lvwIcons);
        resized(C::titlecap,
                [&](QRectF& r) { r.moveTop(list.height() + list.top() + kCaptionGap); });
    });
    Step(10, [&] {
        const QRectF caption = Geometry(C::titlecap);
        resized(C::borderbottom, [&](QRectF& r) { r.moveTop(caption.top() + caption.height()); });
    });
    Step(10, [&] {
        const QRectF bottom = Geometry(C::borderbottom);
        resized(C::Window, [&](QRectF& r) { r.setHeight(bottom.top() + bottom.height()); });
    });
    for (C control : {C::borderleft, C::borderright}) {
        Step(10, [&] {
            const double height = Geometry(C::Window).height();
            resized(control, [&](QRectF& r) { r.setHeight(height); });
        });
    }
    Step(11, [&] {
        ReadKey(StyleKey::Opacity);
        services_.shell.SetWindowOpacity(view_.WindowId(), style_.opacity);
    });
    Step(12, [&] { ReadKey(StyleKey::DockPosition); });
    Step(13, [&] { ReadKey(StyleKey::FontName); });
    for (C control : {C::closebtn, C::Check1, C::Check2, C::Check3, C::titlecap, C::lvwIcons}) {
        Step(14, [&] {
            if (style_.fontName.isEmpty()) {
                throw StepFailed("no font face");
            }
            view_.SetFontFace(control, style_.fontName);
        });
    }
    Step(15, [&] { ReadKey(StyleKey::StyleTitle); });
    Step(16, [&] { view_.SetCaption(C::titlecap, TitleCaption(style_.styleTitle)); });
    Step(17, [&] { ReadKey(StyleKey::StartupSound); });
    Step(18, [&] {
        if (!StartupSoundEnabled(programFolder_)) {
            return;  // [OPTIONS] sound=OFF: a silent start
        }
        view_.PlayMusic(StartupSoundFile(programFolder_, style_.styleFolder, style_.startupSound));
    });
    const std::pair<PanelOption, C> stored[] = {{PanelOption::Taskbar, C::Check2},
                                                {PanelOption::AlwaysOnTop, C::Check1},
                                                {PanelOption::Icons, C::Check3}};
    for (const auto& entry : stored) {
        Step(19, [&] {
            if (ReadOption(programFolder_, entry.first)) {
                view_.SetChecked(entry.second, true);
            }
        });
    }
    for (C box : {C::Check2, C::Check3, C::Check1}) {
        Step(20, [&] { OnCheckClick(box); });
    }
    Step(21, [&] {
        view_.AddColumn(QStringLiteral("FILENAME"),
                        QCoreApplication::translate("tilebay::PanelLogic", "File Name"));
        view_.AddColumn(QStringLiteral("FILETYPE"),
                        QCoreApplication::translate("tilebay::PanelLogic", "File Type"));
    });
    DesktopItemCollector collector(items_, services_.icons, services_.pause,
                                   [this] { return cancelled_; });
    Step(22, [&] {
        collector.CollectFolder(services_.folders.AllUsersDesktop());
        view_.ShowItems(items_);
    });
    QString userDesktop;
    Step(23, [&] {
        userDesktop = services_.folders.UserDesktop(services_.login.LoginName());
        collector.CollectFolder(userDesktop);
        view_.ShowItems(items_);
    });
    Step(23, [&] {
        if (!cancelled_) {
            StartLiveDesktop(userDesktop);
        }
    });
    Step(24, [&] {
        view_.MoveWindow(windowLeft_, windowTop_);
        view_.ShowWindow();
    });
    Step(25, [&] {
        if (!RetractPanel()) {
            throw StepFailed("no screen");
        }
    });
    Step(26, [&] { view_.SetBackColour(C::loadstylesbtn, view_.BackColour(C::Window)); });
    Step(27, [&] { view_.CloseSplash(); });
}

bool PanelLogic::RetractPanel() {
    const std::optional<double> screenWidth = view_.ScreenWidthTwips();
    if (!screenWidth) {
        return false;
    }
    const QRectF window = Geometry(PanelControl::Window);
    const std::optional<QPointF> position = RetractedPosition(
        style_.dockPosition, Geometry(PanelControl::titlecap).top(), *screenWidth, window.width());
    if (position) {
        const QPointF origin = view_.ScreenOriginTwips();
        MoveTo(origin.x() + position->x(), origin.y() + position->y());
    }
    return true;
}

void PanelLogic::ExpandPanel() {
    const double top = view_.ScreenOriginTwips().y();
    if (windowTop_ != top && live_) {
        live_->PanelRevealed();  // collects again only where no watch is set
    }
    MoveTo(windowLeft_, top);
}

bool PanelLogic::InView() const {
    return windowTop_ == view_.ScreenOriginTwips().y();
}

void PanelLogic::StartLiveDesktop(const QString& userDesktop) {
    if (!services_.makeWatcher) {
        return;
    }
    live_ = std::make_unique<LiveDesktop>(
        items_, services_.icons, services_.makeWatcher(),
        [this](const RowChanges& changes) { view_.ReplaceRows(items_, changes); });
    live_->Start({services_.folders.AllUsersDesktop(), userDesktop});
}

void PanelLogic::OnCheckClick(PanelControl box) {
    ToggleOption(ControlRow(box).option.value_or(PanelOption::Icons), view_.IsChecked(box),
                 programFolder_, services_.shell, view_.WindowId());
}

void PanelLogic::OnListDoubleClick() {
    ActivationServices activation{services_.login, services_.folders, services_.run,
                                  services_.notify};
    OpenItem([this] { return view_.SelectedRow(); }, activation);
}

void PanelLogic::StartRow(const RowEntry& row) {
    ActivationServices activation{services_.login, services_.folders, services_.run,
                                  services_.notify};
    OpenRow(row, activation);
}

void PanelLogic::RunClosingEffects() {
    services_.shell.ShowTaskbar(true);
    services_.shell.ShowDesktopIcons(true);
}

}  // namespace tilebay
