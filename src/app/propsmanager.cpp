#include "propsmanager.h"

#include "registrystore.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLineEdit>
#include <QMetaEnum>
#include <QMetaProperty>
#include <QSplitter>
#include <QWidget>
#include <optional>

namespace {

// The published properties Qt widgets do not have under these names.
enum class Adapter { None, Left, Top, Width, Height, Text, WindowState };

struct Binding {
    QObject *object = nullptr;
    QMetaProperty meta;
    Adapter adapter = Adapter::None;
};

bool sameName(QStringView a, QStringView b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

QObject *findComponent(QObject *owner, QStringView name)
{
    if (sameName(owner->objectName(), name))
        return owner;
    const QList<QObject *> all = owner->findChildren<QObject *>();
    for (QObject *o : all) {
        if (sameName(o->objectName(), name))
            return o;
    }
    return nullptr;
}

Adapter adapterFor(QObject *object, QStringView name)
{
    auto *widget = qobject_cast<QWidget *>(object);
    if (!widget)
        return Adapter::None;
    if (sameName(name, u"Left"))
        return Adapter::Left;
    if (sameName(name, u"Top"))
        return Adapter::Top;
    if (sameName(name, u"Width"))
        return Adapter::Width;
    if (sameName(name, u"Height"))
        return Adapter::Height;
    if (sameName(name, u"Text") &&
        (qobject_cast<QComboBox *>(widget) || qobject_cast<QLineEdit *>(widget)))
        return Adapter::Text;
    if (sameName(name, u"WindowState") && widget->isWindow())
        return Adapter::WindowState;
    return Adapter::None;
}

std::optional<Binding> resolve(QObject *owner, const QString &entry)
{
    if (entry.isEmpty() || !owner)
        return std::nullopt;
    QObject *object = owner;
    QStringView name = entry;
    if (const qsizetype dot = entry.indexOf(QLatin1Char('.')); dot >= 0) {
        object = findComponent(owner, QStringView(entry).first(dot));
        name = QStringView(entry).sliced(dot + 1);
        if (!object)
            return std::nullopt;
    }

    // The most derived class's property first, and a writable one before a read-only one.
    const QMetaObject *mo = object->metaObject();
    std::optional<QMetaProperty> readOnly;
    for (int i = mo->propertyCount() - 1; i >= 0; --i) {
        const QMetaProperty p = mo->property(i);
        if (!sameName(QString::fromLatin1(p.name()), name))
            continue;
        if (p.isWritable())
            return Binding{object, p, Adapter::None};
        if (!readOnly)
            readOnly = p;
    }
    if (const Adapter a = adapterFor(object, name); a != Adapter::None)
        return Binding{object, {}, a};
    if (readOnly)
        return Binding{object, *readOnly, Adapter::None};
    return std::nullopt;
}

// A window's bounds include its frame; a control's are its place in the parent. The first pane
// of a horizontal splitter and the splitter itself report the pane's width as Width and Left.
QRect bounds(const QWidget *w)
{
    return w->isWindow() ? w->frameGeometry() : w->geometry();
}

QSplitter *splitterOfFirstPane(QWidget *w)
{
    auto *s = qobject_cast<QSplitter *>(w->parentWidget());
    return s && s->orientation() == Qt::Horizontal && s->count() > 1 && s->widget(0) == w ? s
                                                                                          : nullptr;
}

void setFirstPaneWidth(QSplitter *s, int width)
{
    width = qMax(width, s->widget(0)->minimumWidth());
    // The second pane gives or takes what the first one changes by.
    QList<int> sizes = s->sizes();
    sizes[1] = qMax(0, sizes[1] + sizes[0] - width);
    sizes[0] = width;
    s->setSizes(sizes);
}

std::optional<QString> readAdapter(QWidget *w, Adapter a)
{
    switch (a) {
    case Adapter::Left:
        if (auto *s = qobject_cast<QSplitter *>(w);
            s && s->orientation() == Qt::Horizontal && s->count() > 1)
            return QString::number(s->sizes().value(0));
        return QString::number(bounds(w).x());
    case Adapter::Top:
        return QString::number(bounds(w).y());
    case Adapter::Width:
        return QString::number(bounds(w).width());
    case Adapter::Height:
        return QString::number(bounds(w).height());
    case Adapter::Text:
        if (auto *c = qobject_cast<QComboBox *>(w))
            return c->currentText();
        return qobject_cast<QLineEdit *>(w)->text();
    case Adapter::WindowState: {
        const Qt::WindowStates s = w->windowState();
        if (s & Qt::WindowMinimized)
            return QStringLiteral("wsMinimized");
        if (s & Qt::WindowMaximized)
            return QStringLiteral("wsMaximized");
        return QStringLiteral("wsNormal");
    }
    case Adapter::None:
        break;
    }
    return std::nullopt;
}

bool writeAdapter(QWidget *w, Adapter a, const QString &text)
{
    if (a == Adapter::Text) {
        if (auto *c = qobject_cast<QComboBox *>(w))
            c->setCurrentText(text);
        else
            qobject_cast<QLineEdit *>(w)->setText(text);
        return true;
    }
    if (a == Adapter::WindowState) {
        Qt::WindowStates state = w->windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized);
        if (sameName(text, u"wsMinimized"))
            state |= Qt::WindowMinimized;
        else if (sameName(text, u"wsMaximized"))
            state |= Qt::WindowMaximized;
        else if (!sameName(text, u"wsNormal"))
            return false;
        w->setWindowState(state);
        return true;
    }

    bool ok = false;
    const int n = text.toInt(&ok);
    if (!ok)
        return false;
    if (auto *s = qobject_cast<QSplitter *>(w);
        a == Adapter::Left && s && s->orientation() == Qt::Horizontal && s->count() > 1) {
        setFirstPaneWidth(s, n);
        return true;
    }
    if (QSplitter *s = splitterOfFirstPane(w); s && a == Adapter::Width) {
        setFirstPaneWidth(s, n);
        return true;
    }
    // A window is moved by its frame and sized by its client area.
    const QRect outer = bounds(w);
    const QRect inner = w->geometry();
    const int frameWidth = w->isWindow() ? outer.width() - inner.width() : 0;
    const int frameHeight = w->isWindow() ? outer.height() - inner.height() : 0;
    switch (a) {
    case Adapter::Left:
        w->move(n, outer.y());
        break;
    case Adapter::Top:
        w->move(outer.x(), n);
        break;
    case Adapter::Width:
        w->resize(qMax(n - frameWidth, w->minimumWidth()), inner.height());
        break;
    case Adapter::Height:
        w->resize(inner.width(), qMax(n - frameHeight, w->minimumHeight()));
        break;
    default:
        return false;
    }
    return true;
}

std::optional<QString> readMeta(QObject *object, const QMetaProperty &p)
{
    if (!p.isReadable())
        return std::nullopt;
    const QVariant v = p.read(object);
    if (!v.isValid())
        return std::nullopt;
    if (p.isEnumType()) {
        const QMetaEnum e = p.enumerator();
        const QByteArray key =
            e.isFlag() ? e.valueToKeys(v.toInt()) : QByteArray(e.valueToKey(v.toInt()));
        if (key.isEmpty())
            return std::nullopt;
        return QString::fromLatin1(key);
    }
    switch (v.metaType().id()) {
    case QMetaType::Bool:
        return v.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    case QMetaType::Int:
    case QMetaType::Short:
    case QMetaType::Long:
    case QMetaType::LongLong:
        return QString::number(v.toLongLong());
    case QMetaType::UInt:
    case QMetaType::UShort:
    case QMetaType::ULong:
    case QMetaType::ULongLong:
        return QString::number(v.toULongLong());
    case QMetaType::QString:
        return v.toString();
    default:
        return std::nullopt;
    }
}

bool writeMeta(QObject *object, const QMetaProperty &p, const QString &text)
{
    if (!p.isWritable())
        return false;
    QVariant value;
    if (p.isEnumType()) {
        const QMetaEnum e = p.enumerator();
        std::optional<int> found;
        for (int i = 0; i < e.keyCount(); ++i) {
            if (sameName(QString::fromLatin1(e.key(i)), text))
                found = e.value(i);
        }
        if (!found)
            return false;
        value = *found;
    } else {
        switch (p.metaType().id()) {
        case QMetaType::Bool:
            if (sameName(text, u"True"))
                value = true;
            else if (sameName(text, u"False"))
                value = false;
            else
                return false;
            break;
        case QMetaType::Int:
        case QMetaType::Short:
        case QMetaType::Long:
        case QMetaType::LongLong:
        case QMetaType::UInt:
        case QMetaType::UShort:
        case QMetaType::ULong:
        case QMetaType::ULongLong: {
            bool ok = false;
            const qlonglong n = text.toLongLong(&ok);
            if (!ok)
                return false;
            value = n;
            if (!value.convert(p.metaType()) || value.toLongLong() != n)
                return false; // out of the property's range
            break;
        }
        case QMetaType::QString:
            value = text;
            break;
        default:
            return false;
        }
    }
    return p.write(object, value);
}

int hexValue(QStringView digits)
{
    int value = 0;
    for (const QChar c : digits) {
        const char16_t u = c.unicode();
        int d;
        if (u >= '0' && u <= '9')
            d = u - '0';
        else if (u >= 'A' && u <= 'F')
            d = u - 'A' + 10;
        else if (u >= 'a' && u <= 'f')
            d = u - 'a' + 10;
        else
            return -1;
        value = value * 16 + d;
    }
    return value;
}

} // namespace

TPropsManager::TPropsManager(QObject *parent) : QObject(parent) {}

QString TPropsManager::escapeValue(QStringView text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u < 0x20 || u == '#' || u == '$')
            out += QStringLiteral("#%1").arg(u, 2, 16, QLatin1Char('0')).toUpper();
        else if (u > 0xFF)
            out += QStringLiteral("$%1").arg(u, 4, 16, QLatin1Char('0')).toUpper();
        else
            out += c;
    }
    return out;
}

QString TPropsManager::unescapeValue(QStringView stored)
{
    QString text = stored.toString();
    for (qsizetype i = text.size() - 1; i >= 0; --i) {
        const QChar c = text[i];
        const qsizetype digits = c == QLatin1Char('#') ? 2 : c == QLatin1Char('$') ? 4 : 0;
        if (digits == 0 || i + digits >= text.size())
            continue;
        const int code = hexValue(QStringView(text).sliced(i + 1, digits));
        if (code >= 0)
            text.replace(i, digits + 1, QChar(char16_t(code)));
    }
    return text;
}

void TPropsManager::LoadProps()
{
    RegistryStore store;
    const RegistryData::Key key = store.openKey(IniSection);
    for (const QString &entry : std::as_const(Properties)) {
        const auto binding = resolve(Template, entry);
        if (!binding)
            continue;
        const RegistryValue *value = RegistryData::value(key, entry);
        if (!value || value->type != RegistryValue::String)
            continue;
        const QString text = unescapeValue(value->text);
        if (binding->adapter != Adapter::None)
            writeAdapter(static_cast<QWidget *>(binding->object), binding->adapter, text);
        else
            writeMeta(binding->object, binding->meta, text);
    }
}

void TPropsManager::SaveProps()
{
    RegistryStore store;
    store.update([&](RegistryData &data) {
        data.createKey(IniSection);
        for (const QString &entry : std::as_const(Properties)) {
            const auto binding = resolve(Template, entry);
            if (!binding)
                continue;
            const std::optional<QString> text =
                binding->adapter != Adapter::None
                    ? readAdapter(static_cast<QWidget *>(binding->object), binding->adapter)
                    : readMeta(binding->object, binding->meta);
            if (text)
                data.setValue(IniSection, entry, RegistryValue::fromString(escapeValue(*text)));
        }
    });
}
