#include "companion/diz_numbers.h"

#include <QByteArray>
#include <QList>

#include <cstring>

namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}
// What may stand at a place of the disk number: a digit, "o" for a zero, "x" unfilled.
bool isDiskChar(char c) {
    return isDigit(c) || c == 'o' || c == 'x';
}
char lower(char c) {
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

// What one place of a form takes.
enum class Cell : char {
    Literal,   // this very character
    Blank,     // a blank (what a run of blanks, line feeds and NULs became)
    DiskAny,   // a place of the disk number that takes any character
    DiskDigit, // a place of the disk number: a digit, "o" or "x"
    Total,     // a place of the total: a digit, a blank, or "o" (rewritten to "0")
    NotSlash,  // anything but "/"
    NotDisk,   // anything but a digit, "o", "x" or "!"
};

struct Place {
    Cell cell = Cell::Literal;
    char literal = 0;
};

struct Form {
    QList<Place> places;
    QList<int> totals; // where its total's places are
};

// The site's forms, in the order it tries them at each place of the text, written as: A any
// character of the disk number, K a digit of it ("o" and "x" too), N a digit of the total
// (or a blank), ^/ anything but a slash, ^K anything but a digit of a disk number, _ a
// blank; everything else stands for itself.
constexpr const char* kForms[] = {
    "[AK/NN]",      "(AK/NN)",      "[AKK/NNN]", "(AKK/NNN)",   "[A/N]",   "[A/NN]",     "(A/N)",
    "[disk:KK/NN]", "[disk:AK/NN]", "oA/oN",     "disks[KK/NN", "_K/N_",   "_KK/NN^/^K", "^/KK/NN_",
    "[KK/N]",       ":_AK/NN^/",    "xx/NN",     "<KK/NN>",     "x/NN",    "K_of_N",     "A_of_N",
    "x_of_N",       "ox_of_oN",     "KK_of_NN",  "AK_of_NN",    "xx_of_NN"};

QList<Form> parsedForms() {
    QList<Form> forms;
    for (const char* text : kForms) {
        Form form;
        for (const char* p = text; *p; ++p) {
            Place place;
            switch (*p) {
            case 'A':
                place.cell = Cell::DiskAny;
                break;
            case 'K':
                place.cell = Cell::DiskDigit;
                break;
            case 'N':
                place.cell = Cell::Total;
                form.totals << int(form.places.size());
                break;
            case '_':
                place.cell = Cell::Blank;
                break;
            case '^':
                ++p;
                place.cell = *p == '/' ? Cell::NotSlash : Cell::NotDisk;
                break;
            default:
                place.literal = *p;
                break;
            }
            form.places << place;
        }
        forms << form;
    }
    return forms;
}

const QList<Form>& siteForms() {
    static const QList<Form> forms = parsedForms();
    return forms;
}

// The site reads 4,096 bytes at a time and looks a few bytes past what it folded; what lies
// past the block reads as NUL here.
constexpr qsizetype kBlock = 4096;
constexpr qsizetype kReach = 16;

// The total's characters as they are taken (three at most).
struct TotalText {
    char chars[4] = {};
    int size = 0;
};

// Whether the character at one place agrees with it; an "o" where the total goes is
// rewritten to "0" there and then, as the site does, whether the form holds or not.
bool agrees(const Place& place, char& c, TotalText& total) {
    switch (place.cell) {
    case Cell::Literal:
        return c == place.literal;
    case Cell::Blank:
        return c == ' ';
    case Cell::DiskAny:
        return true;
    case Cell::DiskDigit:
        return isDiskChar(c);
    case Cell::Total:
        if (!isDigit(c) && c != ' ' && c != 'o')
            return false;
        if (c == 'o')
            c = '0';
        if (total.size < 3)
            total.chars[total.size++] = c;
        return true;
    case Cell::NotSlash:
        return c != '/';
    case Cell::NotDisk:
        return !isDiskChar(c) && c != '!';
    }
    return false;
}

// The total as the site converts it: blanks first skipped, then the digits up to the first
// that is not one.
int totalValue(const TotalText& total) {
    int i = 0;
    while (i < total.size && total.chars[i] == ' ')
        ++i;
    int value = 0;
    for (; i < total.size && isDigit(total.chars[i]); ++i)
        value = value * 10 + (total.chars[i] - '0');
    return value;
}

// The form tried at data[at] as the site tries it. It counts the places that agree, and the
// NUL that ends the folded text counts as agreeing with the end of the form; the form holds
// when the count equals its places and its total is above zero. (So a form with one place
// wrong holds right before that NUL, and one wholly right does not: the site's own sum.)
int formTotal(const Form& form, char* data, qsizetype at) {
    const qsizetype size = form.places.size();
    qsizetype agreeing = 0, wrong = 0, i = 0;
    TotalText total;
    for (; i < size && wrong < 2; ++i) {
        if (agrees(form.places[i], data[at + i], total))
            ++agreeing;
        else
            ++wrong;
    }
    if (wrong >= 2) {
        // It cannot hold any more; its remaining totals' places are still rewritten.
        for (int t : form.totals)
            if (t >= i && data[at + t] == 'o')
                data[at + t] = '0';
        return 0;
    }
    if (data[at + size] == '\0')
        ++agreeing;
    return agreeing == size ? totalValue(total) : 0;
}

bool isEdge(const Place& place) {
    return place.cell == Cell::Blank || place.cell == Cell::NotSlash ||
           place.cell == Cell::NotDisk || (place.cell == Cell::Literal && place.literal == ':');
}

// What the form that held at data[at] says, with its place in the text.
DiskNumbers numbersAt(const Form& form, const char* data, qsizetype at, int count,
                      const QList<qsizetype>& origin, QByteArrayView text) {
    DiskNumbers n;
    n.found = true;
    n.count = count;
    QByteArray disk;
    qsizetype first = 0, last = form.places.size() - 1;
    for (qsizetype i = 0; i < form.places.size(); ++i)
        if (form.places[i].cell == Cell::DiskAny || form.places[i].cell == Cell::DiskDigit)
            disk += data[at + i];
    while (first < last && isEdge(form.places[first]))
        ++first;
    while (last > first && isEdge(form.places[last]))
        --last;
    while (disk.startsWith(' '))
        disk.remove(0, 1);
    n.diskUnfilled = disk.isEmpty();
    for (char c : disk) {
        if (!isDigit(c) && c != 'o') {
            n.diskUnfilled = true;
            break;
        }
        n.disk = n.disk * 10 + (c == 'o' ? 0 : c - '0');
    }
    if (n.diskUnfilled)
        n.disk = 0;
    const qsizetype from = qMin(origin[at + first], text.size() - 1);
    const qsizetype to = qBound(from, origin[at + last], text.size() - 1);
    n.text = QString::fromLatin1(text.sliced(from, to - from + 1));
    n.line = int(text.first(from).count('\n')) + 1;
    return n;
}

} // namespace

DiskNumbers findDiskNumbers(QByteArrayView text) {
    const QList<Form>& forms = siteForms();
    QByteArray data(kBlock + kReach, '\0');
    // Where each byte of data came from in text, to name the line.
    QList<qsizetype> origin(kBlock + kReach, 0);
    for (qsizetype start = 0; start < text.size(); start += kBlock) {
        const qsizetype length = qMin(kBlock, text.size() - start);
        std::memcpy(data.data(), text.data() + start, size_t(length));
        for (qsizetype i = 0; i < length; ++i)
            origin[i] = start + i;
        // Folded in place: the bytes after the folded text's NUL stay as they were read.
        qsizetype folded = 0;
        bool blank = false;
        for (qsizetype i = 0; i < length; ++i) {
            const char c = data[i];
            const bool space = c == '\0' || c == ' ' || c == '\n';
            if (!space || !blank) {
                data[folded] = space ? ' ' : lower(c);
                origin[folded++] = start + i;
            }
            blank = space;
        }
        data[folded] = '\0';
        for (qsizetype at = 0; at < length; ++at)
            for (const Form& form : forms)
                if (const int count = formTotal(form, data.data(), at); count > 0)
                    return numbersAt(form, data.constData(), at, count, origin, text);
    }
    return {};
}

QString dizTextFault(QByteArrayView bytes) {
    if (bytes.size() > kMaxDizBytes)
        return QStringLiteral("is %1 bytes, too big for a diz (at most %2)")
            .arg(bytes.size())
            .arg(kMaxDizBytes);
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        const bool allowed =
            c >= 0x20 || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == 0x1a || c == 0x1b;
        if (!allowed)
            return QStringLiteral("is not text (byte 0x%1 at offset %2)")
                .arg(c, 2, 16, QLatin1Char('0'))
                .arg(i);
    }
    return {};
}
