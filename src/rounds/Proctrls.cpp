#include "rounds/Proctrls.h"

#include <QApplication>
#include <QBitmap>
#include <QDateTime>
#include <QDialog>
#include <QKeyEvent>
#include <QLocale>
#include <QMdiSubWindow>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTimer>
#include <QTransform>
#include <cmath>

#include "rounds/Proconst.h"
#include "common/Helpwindow.h"
#include "common/Frame.h"

QPoint DirectionStep(TDirection d) {
    switch (d) {
    case drUp: return {0, -1};
    case drDown: return {0, 1};
    case drLeft: return {-1, 0};
    case drRight: return {1, 0};
    case drUpLeft: return {-1, -1};
    case drUpRight: return {1, -1};
    case drDownLeft: return {-1, 1};
    case drDownRight: return {1, 1};
    case drNone: break;
    }
    return {0, 0};
}

TProButtonKindValues ProButtonKindValues(TProButtonKind kind) {
    TProButtonKindValues v;
    if (kind == pbkCustom) return v;
    if (kind == pbkOk) {
        v.Default = true;
        v.ModalResult = 1;
        v.StringId = ProButtonStringBase;
        v.Caption = ProLoadStr(v.StringId);
        return v;
    }
    const int n = (kind - 2) / 17 + 1;     // 1 Cancel .. 13 Finish
    const int language = (kind - 2) % 17;  // 0 English .. 16 Chn
    v.Default = n == 3 || n == 10 || n == 12 || n == 13;
    v.Cancel = n == 1 || n == 4;
    static const int results[14] = {0, 2, 0, 6, 7, 0, 3, 4, 5, 8, 9, 0, 0, 10};
    v.ModalResult = results[n];
    v.StringId = kind == pbkYesSlk ? 30138 : ProButtonStringBase + 20 * language + n;
    v.Caption = ProLoadStr(v.StringId);
    if (v.Caption.empty()) v.Caption = ProLoadStr(ProButtonStringBase + n);
    return v;
}

void Frame3DSides(QPainter* canvas, TRect& rect, TSides sides, const QColor& topColor,
                  const QColor& bottomColor, int width) {
    for (int ring = 0; ring < width; ++ring) {
        if (canvas) {
            // Line ends are exclusive.
            canvas->setPen(QPen(topColor, 1));
            if (sides.Has(sdLeft) && rect.Bottom - 1 >= rect.Top)
                canvas->drawLine(rect.Left, rect.Top, rect.Left, rect.Bottom - 1);
            if (sides.Has(sdTop) && rect.Right - 1 >= rect.Left)
                canvas->drawLine(rect.Left, rect.Top, rect.Right - 1, rect.Top);
            canvas->setPen(QPen(bottomColor, 1));
            if (sides.Has(sdRight) && rect.Bottom - 1 >= rect.Top)
                canvas->drawLine(rect.Right - 1, rect.Top, rect.Right - 1, rect.Bottom - 1);
            if (sides.Has(sdBottom) && rect.Right - 1 >= rect.Left)
                canvas->drawLine(rect.Left, rect.Bottom - 1, rect.Right - 1, rect.Bottom - 1);
        }
        if (sides.Has(sdLeft)) ++rect.Left;
        if (sides.Has(sdTop)) ++rect.Top;
        if (sides.Has(sdRight)) --rect.Right;
        if (sides.Has(sdBottom)) --rect.Bottom;
    }
}

TBevelColours BevelColours(const QPalette& palette, TBevelCut bevel, bool ctl3d) {
    const QColor highlight = palette.color(QPalette::Light);
    const QColor shadow = palette.color(QPalette::Dark);
    const QColor text = palette.color(QPalette::ButtonText);
    const QColor light3d = palette.color(QPalette::Midlight);
    if (bevel == bvLowered) return {shadow, highlight, text, light3d};
    return {highlight, ctl3d ? text : shadow, light3d, shadow};
}

void PaintProBevels(QPainter* p, const QPalette& palette, TRect& r, TBevelCut outer, TBevelCut inner,
                    bool ctl3d, TSides sides, int bevelWidth, const QColor& borderColor, int borderWidth) {
    auto bevel = [&](TBevelCut cut) {
        if (cut == bvNone) return;
        const TBevelColours c = BevelColours(palette, cut, ctl3d);
        if (ctl3d) {
            Frame3DSides(p, r, sides, c.OuterTop, c.OuterBottom, 1);
            Frame3DSides(p, r, sides, c.InnerTop, c.InnerBottom, 1);
        } else {
            Frame3DSides(p, r, sides, c.OuterTop, c.OuterBottom, bevelWidth);
        }
    };
    bevel(outer);
    Frame3DSides(p, r, sides, borderColor, borderColor, borderWidth);
    bevel(inner);
}

// ---------------------------------------------------------------------------

TProSpeedButton::TProSpeedButton(QWidget* owner) : QToolButton(owner) {
    setAutoRaise(true);
    setFocusPolicy(Qt::NoFocus);
    connect(this, &QAbstractButton::clicked, this, [this] { Click(); });
}

TProSpeedButton::~TProSpeedButton() = default;  // the timer is a child

void TProSpeedButton::SetRepeatEnabled(bool value) {
    repeatEnabled_ = value;
    if (!value && timer_) timer_->stop();
}

void TProSpeedButton::Click() {
    if (OnClick) OnClick(this);
}

void TProSpeedButton::mousePressEvent(QMouseEvent* e) {
    QToolButton::mousePressEvent(e);
    captured_ = true;
    MouseDown(e);
}

void TProSpeedButton::mouseReleaseEvent(QMouseEvent* e) {
    captured_ = false;
    QToolButton::mouseReleaseEvent(e);
    MouseUp(e);
}

void TProSpeedButton::MouseDown(QMouseEvent* e) {
    if (OnMouseDown)
        OnMouseDown(this, e->button(), e->modifiers(), int(e->position().x()), int(e->position().y()));
    if (!repeatEnabled_) return;
    if (!timer_) {
        timer_ = new QTimer(this);
        timer_->setTimerType(Qt::PreciseTimer);
        connect(timer_, &QTimer::timeout, this, [this] { TimerExpired(); });
    }
    timer_->setInterval(int(RepeatInitInterval));
    timer_->start();
}

void TProSpeedButton::MouseUp(QMouseEvent* e) {
    if (timer_) timer_->stop();
    if (OnMouseUp)
        OnMouseUp(this, e->button(), e->modifiers(), int(e->position().x()), int(e->position().y()));
}

void TProSpeedButton::TimerExpired() {
    if (timer_) timer_->setInterval(int(RepeatInterval));
    if (!isDown() || !captured_) return;
    try {
        Click();
    } catch (...) {
        if (timer_) timer_->stop();
        throw;
    }
}

// ---------------------------------------------------------------------------

TProCustomPanel::TProCustomPanel(QWidget* owner) : TProMouseAware<QWidget>(owner) {
    borderColor_ = palette().color(QPalette::Button);
    color_ = palette().color(QPalette::Button);
}

void TProCustomPanel::SetBevelCtl3D(bool value) {
    if (value == bevelCtl3D_) return;
    bevelCtl3D_ = value;
    bevelWidth_ = value ? 2 : 1;
    update();
}

void TProCustomPanel::SetBevelSides(TSides value) {
    if (value == bevelSides_) return;
    bevelSides_ = value;
    update();
}

void TProCustomPanel::SetBorderColor(const QColor& value) {
    if (value == borderColor_) return;
    borderColor_ = value;
    update();
}

void TProCustomPanel::SetVerticalAlignment(TVerticalAlignment value) {
    if (value == verticalAlignment_) return;
    verticalAlignment_ = value;
    update();
}

void TProCustomPanel::SetBevelInner(TBevelCut value) {
    bevelInner_ = value;
    update();
}
void TProCustomPanel::SetBevelOuter(TBevelCut value) {
    bevelOuter_ = value;
    update();
}
void TProCustomPanel::SetBevelWidth(int value) {
    bevelWidth_ = value;
    update();
}
void TProCustomPanel::SetBorderWidth(int value) {
    borderWidth_ = value;
    update();
}
void TProCustomPanel::SetBorderStyle(TBorderStyle value) {
    borderStyle_ = value;
    update();
}
void TProCustomPanel::SetAlignment(TAlignment value) {
    alignment_ = value;
    update();
}
void TProCustomPanel::SetCaption(const QString& value) {
    caption_ = value;
    update();
}
void TProCustomPanel::SetColor(const QColor& value) {
    color_ = value;
    update();
}

void TProCustomPanel::AlignControls() {
    if (bevelCtl3D_) bevelWidth_ = 2;
}

void TProCustomPanel::resizeEvent(QResizeEvent* e) {
    AlignControls();
    QWidget::resizeEvent(e);
}

static int AlignmentFlags(TAlignment a) {
    switch (a) {
    case taLeftJustify: return Qt::AlignLeft;
    case taRightJustify: return Qt::AlignRight;
    case taCenter: break;
    }
    return Qt::AlignHCenter;
}

QRect TProCustomPanel::CaptionRect(QRect inside) const {
    QRect r = inside;
    if (verticalAlignment_ == vaTop) return r;
    const int flags = Qt::TextWordWrap | Qt::TextExpandTabs | AlignmentFlags(alignment_);
    const int h = fontMetrics().boundingRect(QRect(0, 0, r.width(), 100000), flags, caption_).height();
    const int oldBottom = r.bottom();
    r.setBottom(r.top() + h - 1);
    const int d = oldBottom - r.bottom();
    r.translate(0, verticalAlignment_ == vaBottom ? d : d / 2);
    return r;
}

void TProCustomPanel::paintEvent(QPaintEvent*) {
    QPainter p(this);
    Paint(p);
}

void TProCustomPanel::Paint(QPainter& p) {
    TRect r{0, 0, width(), height()};
    if (borderStyle_ == bsSingle)  // a flat one-pixel window border
        Frame3DSides(&p, r, TSides{}, palette().color(QPalette::Shadow), palette().color(QPalette::Shadow), 1);
    PaintProBevels(&p, palette(), r, bevelOuter_, bevelInner_, bevelCtl3D_, bevelSides_, bevelWidth_,
                   borderColor_, borderWidth_);
    const QRect inside(r.Left, r.Top, std::max(0, r.Right - r.Left), std::max(0, r.Bottom - r.Top));
    p.fillRect(inside, color_);
    if (caption_.isEmpty()) return;
    p.setPen(palette().color(QPalette::WindowText));
    p.setFont(font());
    p.drawText(CaptionRect(inside), Qt::TextWordWrap | Qt::TextExpandTabs | AlignmentFlags(alignment_), caption_);
}

// ---------------------------------------------------------------------------

TShadowPreset ShadowPreset(TShadowStyle style) {
    switch (style) {
    case ssRaised: return {drUpLeft, 1, drNone, 0, 0};
    case ssRaisedColor:
    case ssRaisedShadow: return {drUpLeft, 1, drDownRight, 1, 1};
    case ssRaisedThickShadow: return {drUpLeft, 1, drDownRight, 1, 4};
    case ssRecessed: return {drDownRight, 1, drNone, 0, 0};
    case ssRecessedColor:
    case ssRecessedShadow: return {drDownRight, 1, drUpLeft, 1, 1};
    case ssShadow: return {drNone, 0, drDownRight, 2, 1};
    case ssThickShadow: return {drNone, 0, drDownRight, 1, 4};
    case ssNone:
    case ssCustom: break;
    }
    return {drNone, 0, drNone, 0, 0};
}

TProCustomLabel::TProCustomLabel(QWidget* owner) : TProMouseAware<QWidget>(owner) {
    color_ = palette().color(QPalette::Window);
    fontColor_ = palette().color(QPalette::WindowText);
    highlightColor_ = palette().color(QPalette::Light);
    shadowColor_ = palette().color(QPalette::Dark);
}

void TProCustomLabel::Changed() {
    AdjustBounds();
    update();
}

void TProCustomLabel::SetCaption(const QString& v) {
    if (v == caption_) return;
    caption_ = v;
    Changed();
}
void TProCustomLabel::SetAlignment(TAlignment v) {
    if (v == alignment_) return;
    alignment_ = v;
    Changed();
}
void TProCustomLabel::SetWordWrap(bool v) {
    if (v == wordWrap_) return;
    wordWrap_ = v;
    Changed();
}
void TProCustomLabel::SetTransparent(bool v) {
    if (v == transparent_) return;
    transparent_ = v;
    update();
}
void TProCustomLabel::SetAutoSize(bool v) {
    if (v == autoSize_) return;
    autoSize_ = v;
    Changed();
}
void TProCustomLabel::SetColor(const QColor& v) {
    if (v == color_) return;
    color_ = v;
    update();
}
void TProCustomLabel::SetFontColor(const QColor& v) {
    if (v == fontColor_) return;
    fontColor_ = v;
    update();
}

void TProCustomLabel::SetAngle(int v) {
    v %= 360;
    if (v < 0) v += 360;
    if (v == angle_) return;
    angle_ = v;
    Changed();
}

// Setting one of the seven preset values directly makes the style custom.
#define PRO_LABEL_CUSTOM_SETTER(Name, member, Type)     \
    void TProCustomLabel::Set##Name(Type v) {            \
        if (v == member) return;                         \
        member = v;                                      \
        shadowStyle_ = ssCustom;                         \
        Changed();                                       \
    }
PRO_LABEL_CUSTOM_SETTER(HighlightColor, highlightColor_, const QColor&)
PRO_LABEL_CUSTOM_SETTER(HighlightDepth, highlightDepth_, int)
PRO_LABEL_CUSTOM_SETTER(HighlightDirection, highlightDirection_, TDirection)
PRO_LABEL_CUSTOM_SETTER(ShadowColor, shadowColor_, const QColor&)
PRO_LABEL_CUSTOM_SETTER(ShadowDepth, shadowDepth_, int)
PRO_LABEL_CUSTOM_SETTER(ShadowDirection, shadowDirection_, TDirection)
PRO_LABEL_CUSTOM_SETTER(ShadowSize, shadowSize_, int)
#undef PRO_LABEL_CUSTOM_SETTER

void TProCustomLabel::SetOffsetX(int v) {
    if (v == offsetX_) return;
    offsetX_ = v;
    if (v >= 1) AdjustBounds();
    update();
}
void TProCustomLabel::SetOffsetY(int v) {
    if (v == offsetY_) return;
    offsetY_ = v;
    if (v >= 1) AdjustBounds();
    update();
}

void TProCustomLabel::SetShadowStyle(TShadowStyle v) {
    if (v == ssCustom) {
        shadowStyle_ = v;
        return;
    }
    const TShadowPreset p = ShadowPreset(v);
    highlightDirection_ = p.HighlightDirection;
    highlightDepth_ = p.HighlightDepth;
    shadowDirection_ = p.ShadowDirection;
    shadowDepth_ = p.ShadowDepth;
    shadowSize_ = p.ShadowSize;
    highlightColor_ = palette().color(QPalette::Light);
    shadowColor_ = palette().color(QPalette::Dark);
    if (v == ssRaisedColor || v == ssRecessedColor) fontColor_ = palette().color(QPalette::Button);
    shadowStyle_ = v;
    Changed();
}

void TProCustomLabel::SetVerticalAlignment(TVerticalAlignment v) {
    if (v == verticalAlignment_) return;
    verticalAlignment_ = v;
    update();
}

void TProCustomLabel::changeEvent(QEvent* e) {
    QWidget::changeEvent(e);
    if (e->type() == QEvent::FontChange) AdjustBounds();
}

QSize TProCustomLabel::TextExtent() const {
    const int flags = AlignmentFlags(alignment_) | (wordWrap_ ? Qt::TextWordWrap : 0);
    QSize s = fontMetrics().boundingRect(QRect(0, 0, wordWrap_ ? width() : 100000, 100000), flags, caption_).size();
    const QPoint sh = DirectionStep(shadowDirection_) * (shadowDepth_ + shadowSize_);
    const QPoint hi = DirectionStep(highlightDirection_) * highlightDepth_;
    s += QSize(std::max(std::abs(sh.x()), std::abs(hi.x())) + std::max(0, offsetX_),
               std::max(std::abs(sh.y()), std::abs(hi.y())) + std::max(0, offsetY_));
    return s;
}

void TProCustomLabel::AdjustBounds() {
    if (!autoSize_ || angle_ != 0) return;
    resize(TextExtent());
}

void TProCustomLabel::DrawCaption(QPainter& p, QPoint at, const QColor& colour) {
    p.setPen(colour);
    if (angle_ != 0) {
        // The text box turns about the centre of the control.
        p.save();
        const QSize t = fontMetrics().size(0, caption_);
        p.translate(width() / 2.0 + at.x(), height() / 2.0 + at.y());
        p.rotate(-angle_);
        p.drawText(QPointF(-t.width() / 2.0, fontMetrics().ascent() - t.height() / 2.0), caption_);
        p.restore();
        return;
    }
    const int flags = AlignmentFlags(alignment_) | (wordWrap_ ? Qt::TextWordWrap : 0);
    QRect r = rect().translated(at);
    if (verticalAlignment_ != vaTop) {
        const int h = fontMetrics().boundingRect(QRect(0, 0, r.width(), 100000), flags, caption_).height();
        const int d = r.height() - h;
        r.translate(0, verticalAlignment_ == vaBottom ? d : d / 2);
    }
    p.drawText(r, flags, caption_);
}

void TProCustomLabel::paintEvent(QPaintEvent*) {
    QPainter p(this);
    if (!transparent_) p.fillRect(rect(), color_);
    p.setFont(font());
    const QPoint base(offsetX_, offsetY_);
    const QColor shadow = isEnabled() ? shadowColor_ : palette().color(QPalette::Disabled, QPalette::WindowText);
    if (shadowDirection_ != drNone) {
        const QPoint step = DirectionStep(shadowDirection_);
        for (int i = 0; i <= shadowSize_; ++i) DrawCaption(p, base + step * (shadowDepth_ + i), shadow);
    }
    if (highlightDirection_ != drNone && highlightDepth_ > 0)
        DrawCaption(p, base + DirectionStep(highlightDirection_) * highlightDepth_, highlightColor_);
    DrawCaption(p, base, fontColor_);
}

// ---------------------------------------------------------------------------

TProClockLabel::TProClockLabel(QWidget* owner) : TProLabel(owner), timer_(new QTimer(this)) {
    connect(timer_, &QTimer::timeout, this, [this] { Tick(); });
    timer_->start(interval_);
    Tick();
}

QString TProClockLabel::FormatDateTime(const QString& format, const QDateTime& when) {
    const QLocale locale;
    if (format == "c")
        return locale.toString(when.date(), QLocale::ShortFormat) + " " +
               locale.toString(when.time(), QLocale::LongFormat);
    return when.toString(format);
}

void TProClockLabel::Tick() {
    SetCaption(FormatDateTime(Format, QDateTime::currentDateTime()));
    if (OnTimer) OnTimer(this);
}

void TProClockLabel::SetInterval(int ms) {
    interval_ = ms;
    timer_->setInterval(ms);
}

void TProClockLabel::SetEnabled(bool value) {
    enabled_ = value;
    if (value)
        timer_->start(interval_);
    else
        timer_->stop();
}

// ---------------------------------------------------------------------------

TProLabelEdit::TProLabelEdit(QWidget* owner)
    : TProMouseAware<QWidget>(owner), Label(new TProLabel(this)), Edit(new QLineEdit(this)) {
    Label->SetAutoSize(false);
    Label->SetVerticalAlignment(vaCenter);
    Label->SetCaption("LabelEdit:");
    setFocusProxy(Edit);
    resize(250, 21);
    Relayout();
}

void TProLabelEdit::SetLabelPosition(TProLabelPosition v) {
    labelPosition_ = v;
    Relayout();
}
void TProLabelEdit::SetLabelWidth(int v) {
    labelWidth_ = v;
    Relayout();
}
void TProLabelEdit::SetLabelHeight(int v) {
    labelHeight_ = v;
    Relayout();
}
void TProLabelEdit::SetGap(int v) {
    gap_ = v;
    Relayout();
}
void TProLabelEdit::SetAutoSize(bool v) {
    autoSize_ = v;
    Relayout();
}

void TProLabelEdit::resizeEvent(QResizeEvent* e) {
    QWidget::resizeEvent(e);
    Relayout();
}

void TProLabelEdit::Relayout() {
    const int editHeight = Edit->sizeHint().height();
    if (labelPosition_ == lpLeft) {
        if (autoSize_ && height() != editHeight) resize(width(), editHeight);
        Label->setGeometry(0, 0, labelWidth_, height());
        const int left = labelWidth_ + gap_;
        Edit->setGeometry(left, 0, std::max(0, width() - left), height());
    } else {
        if (autoSize_ && height() != labelHeight_ + gap_ + editHeight)
            resize(width(), labelHeight_ + gap_ + editHeight);
        Label->setGeometry(0, 0, width(), labelHeight_);
        const int top = labelHeight_ + gap_;
        Edit->setGeometry(0, top, width(), std::max(0, height() - top));
    }
}

// ---------------------------------------------------------------------------

TProButton::TProButton(QWidget* owner) : TProMouseAware<QPushButton>(owner) {
    connect(this, &QAbstractButton::clicked, this, [this] { Click(); });
}

TProButtonKind TProButton::Kind() {
    if (kind_ != pbkCustom) {
        const TProButtonKindValues v = ProButtonKindValues(kind_);
        if (v.Default != isDefault() || v.Cancel != Cancel || v.ModalResult != ModalResult) kind_ = pbkCustom;
    }
    return kind_;
}

void TProButton::SetKind(TProButtonKind kind) {
    kind_ = kind;
    if (kind == pbkCustom) return;
    const TProButtonKindValues v = ProButtonKindValues(kind);
    setDefault(v.Default);
    Cancel = v.Cancel;
    ModalResult = v.ModalResult;
    setText(QString::fromStdString(v.Caption));
}

void TProButton::Click() {
    const int k = kind_ == pbkCustom || kind_ == pbkOk ? 0 : (kind_ - 2) / 17 + 1;
    if (k == 2) {  // Help
        for (QWidget* w = this; w; w = w->parentWidget()) {
            if (const int context = GetHelpContext(w)) {
                if (Frame()) Frame()->ShowHelp(context);
                return;
            }
        }
    } else if (k == 5) {  // Close
        if (QWidget* form = Form(); form && form != this) {
            form->close();
            return;
        }
    }
    if (ModalResult != 0)
        if (auto* dialog = qobject_cast<QDialog*>(window())) dialog->done(ModalResult);
    if (OnClick) OnClick(this);
}

QWidget* TProButton::Form() const {
    for (QWidget* w = parentWidget(); w && !w->isWindow(); w = w->parentWidget())
        if (auto* sub = qobject_cast<QMdiSubWindow*>(w)) return sub;
    return window();
}

void TProButton::showEvent(QShowEvent* e) {
    TProMouseAware<QPushButton>::showEvent(e);
    if (QWidget* form = Form(); form && form != this) form->installEventFilter(this);
}

bool TProButton::eventFilter(QObject* watched, QEvent* e) {
    if (e->type() == QEvent::KeyPress && watched == Form() && isVisible() && isEnabled()) {
        const auto* key = static_cast<QKeyEvent*>(e);
        const bool plain = key->modifiers() == Qt::NoModifier || key->modifiers() == Qt::KeypadModifier;
        const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
        // A dialog presses its default button itself.
        if ((plain && Cancel && key->key() == Qt::Key_Escape) ||
            (plain && enter && isDefault() && !qobject_cast<QDialog*>(watched))) {
            click();
            return true;
        }
    }
    return TProMouseAware<QPushButton>::eventFilter(watched, e);
}

// ---------------------------------------------------------------------------

TProComboBox::TProComboBox(QWidget* owner) : TProMouseAware<QComboBox>(owner) {
    // The combo box selects the first item put into an empty list; undo that.
    connect(model(), &QAbstractItemModel::rowsInserted, this, [this](const QModelIndex&, int first, int last) {
        if (last - first + 1 == count() && currentIndex() == 0) setCurrentIndex(-1);
    });
}

// ---------------------------------------------------------------------------

TProCustomListBox::TProCustomListBox(QWidget* owner) : TProMouseAware<QListWidget>(owner) {
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
}

int TProCustomListBox::ItemWidth(const QString& s) const { return fontMetrics().horizontalAdvance(s + "I"); }

void TProCustomListBox::Recompute() {
    widest_ = 0;
    for (int i = 0; i < count(); ++i) widest_ = std::max(widest_, ItemWidth(item(i)->text()));
    ApplyExtent();
}

void TProCustomListBox::ApplyExtent() {
    extent_ = horzScrollExtent_ + (autoHorzScroll_ ? widest_ : 0);
    updateGeometries();
}

void TProCustomListBox::updateGeometries() {
    QListWidget::updateGeometries();
    const int range = std::max(0, extent_ - viewport()->width());
    horizontalScrollBar()->setRange(0, range);
}

void TProCustomListBox::SetAutoHorzScroll(bool v) {
    autoHorzScroll_ = v;
    Recompute();
}

void TProCustomListBox::SetHorzScrollExtent(int v) {
    horzScrollExtent_ = v;
    Recompute();
}

void TProCustomListBox::AddString(const QString& s) { InsertString(count(), s); }

void TProCustomListBox::InsertString(int index, const QString& s) {
    insertItem(index, s);
    const int w = ItemWidth(s);
    if (w > widest_) {
        widest_ = w;
        ApplyExtent();
    }
}

void TProCustomListBox::DeleteString(int index) {
    if (index < 0 || index >= count()) return;
    const int w = ItemWidth(item(index)->text());
    delete takeItem(index);
    if (w == widest_) Recompute();
}

void TProCustomListBox::ClearList() {
    clear();
    widest_ = 0;
    ApplyExtent();
}

void TProCustomListBox::changeEvent(QEvent* e) {
    QListWidget::changeEvent(e);
    if (e->type() == QEvent::FontChange) Recompute();
}

// ---------------------------------------------------------------------------

TProBorder::TProBorder(QWidget* owner) : TProMouseAware<QWidget>(owner) {
    borderColor_ = palette().color(QPalette::Button);
    resize(50, 50);
}

void TProBorder::SetBevelCtl3D(bool v) {
    if (v == bevelCtl3D_) return;
    bevelCtl3D_ = v;
    bevelWidth_ = v ? 2 : 1;
    update();
}
void TProBorder::SetBevelInner(TBevelCut v) {
    if (v == bevelInner_) return;
    bevelInner_ = v;
    update();
}
void TProBorder::SetBevelOuter(TBevelCut v) {
    if (v == bevelOuter_) return;
    bevelOuter_ = v;
    update();
}
void TProBorder::SetBevelSides(TSides v) {
    if (v == bevelSides_) return;
    bevelSides_ = v;
    update();
}
void TProBorder::SetBevelWidth(int v) {
    if (bevelCtl3D_ || v == bevelWidth_) return;
    bevelWidth_ = v;
    update();
}
void TProBorder::SetBorderColor(const QColor& v) {
    if (v == borderColor_) return;
    borderColor_ = v;
    update();
}
void TProBorder::SetBorderWidth(int v) {
    if (v == borderWidth_) return;
    borderWidth_ = v;
    update();
}

void TProBorder::paintEvent(QPaintEvent*) {
    QPainter p(this);
    TRect r{0, 0, width(), height()};
    PaintProBevels(&p, palette(), r, bevelOuter_, bevelInner_, bevelCtl3D_, bevelSides_, bevelWidth_,
                   borderColor_, borderWidth_);
}

// ---------------------------------------------------------------------------

TProMouseRegion::TProMouseRegion(QWidget* owner) : TProMouseAware<QWidget>(owner) {
    resize(105, 105);
    setMouseTracking(true);
}

void TProMouseRegion::mousePressEvent(QMouseEvent* e) {
    if (OnMouseDown) OnMouseDown(this, e->button(), e->modifiers(), int(e->position().x()), int(e->position().y()));
}
void TProMouseRegion::mouseReleaseEvent(QMouseEvent* e) {
    if (OnMouseUp) OnMouseUp(this, e->button(), e->modifiers(), int(e->position().x()), int(e->position().y()));
    if (rect().contains(e->position().toPoint()) && OnClick) OnClick(this);
}
void TProMouseRegion::mouseMoveEvent(QMouseEvent* e) {
    if (OnMouseMove) OnMouseMove(this, e->modifiers(), int(e->position().x()), int(e->position().y()));
}
void TProMouseRegion::mouseDoubleClickEvent(QMouseEvent*) {
    if (OnDblClick) OnDblClick(this);
}

// ---------------------------------------------------------------------------

TProImage::TProImage(QWidget* owner) : TProMouseAware<QWidget>(owner) {}

void TProImage::SetPicture(const QPixmap& picture) {
    picture_ = picture;
    if (autoSize_ && !picture_.isNull()) resize(picture_.size());
    update();
}
void TProImage::SetAutoSize(bool v) {
    autoSize_ = v;
    if (v && !picture_.isNull()) resize(picture_.size());
}
void TProImage::SetCenter(bool v) {
    center_ = v;
    update();
}
void TProImage::SetStretch(bool v) {
    stretch_ = v;
    update();
}
void TProImage::SetTiled(bool v) {
    tiled_ = v;
    update();
}
void TProImage::SetTransparent(bool v) {
    transparent_ = v;
    update();
}

void TProImage::paintEvent(QPaintEvent*) {
    if (picture_.isNull()) return;
    QPainter p(this);
    QPixmap pm = picture_;
    if (transparent_ && !pm.hasAlpha()) {
        // The bottom-left pixel's colour is the transparent one.
        const QImage img = pm.toImage();
        pm.setMask(QBitmap::fromImage(img.createMaskFromColor(img.pixel(0, img.height() - 1))));
    }
    if (tiled_) {
        for (int y = 0; y < height(); y += pm.height())
            for (int x = 0; x < width(); x += pm.width()) p.drawPixmap(x, y, pm);
    } else if (stretch_) {
        p.drawPixmap(rect(), pm);
    } else if (center_) {
        p.drawPixmap((width() - pm.width()) / 2, (height() - pm.height()) / 2, pm);
    } else {
        p.drawPixmap(0, 0, pm);
    }
}

// ---------------------------------------------------------------------------

TUpDown::TUpDown(TUDOrientation orientation, QWidget* owner)
    : QWidget(owner), orientation_(orientation), next_(new TProSpeedButton(this)),
      prev_(new TProSpeedButton(this)) {
    const bool vertical = orientation == udVertical;
    next_->setArrowType(vertical ? Qt::UpArrow : Qt::RightArrow);
    prev_->setArrowType(vertical ? Qt::DownArrow : Qt::LeftArrow);
    next_->setAccessibleName(vertical ? "Up" : "Right");
    prev_->setAccessibleName(vertical ? "Down" : "Left");
    next_->setAutoRaise(false);
    prev_->setAutoRaise(false);
    for (TProSpeedButton* b : {next_, prev_}) {
        b->SetRepeatEnabled(true);
        b->OnMouseUp = [this, b](QObject*, Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y) {
            const QPoint at = b->mapTo(this, QPoint(x, y));
            if (OnMouseUp) OnMouseUp(this, button, shift, at.x(), at.y());
        };
    }
    next_->OnClick = [this](QObject*) { Click(btNext); };
    prev_->OnClick = [this](QObject*) { Click(btPrev); };
}

void TUpDown::Click(TUDBtnType button) {
    if (button == btNext)
        Position = Position < Max ? Position + 1 : (Wrap ? Min : Max);
    else
        Position = Position > Min ? Position - 1 : (Wrap ? Max : Min);
    if (OnClick) OnClick(this, button);
}

void TUpDown::resizeEvent(QResizeEvent* e) {
    QWidget::resizeEvent(e);
    if (orientation_ == udVertical) {
        const int h = height() / 2;
        next_->setGeometry(0, 0, width(), h);
        prev_->setGeometry(0, h, width(), height() - h);
    } else {
        const int w = width() / 2;
        prev_->setGeometry(0, 0, w, height());
        next_->setGeometry(w, 0, width() - w, height());
    }
}
