#include "book/polyglot.h"

#include "book/polyglot_random.h"
#include "movegen/legal.h"

PolyglotBook BookFile;

namespace {

constexpr u64 ENTRY_SIZE = 16;

// The big-endian number of n bytes at p.
u64 BigEndian(const u8 *p, int n)
{
    u64 v = 0;
    for (int i = 0; i < n; i++)
        v = (v << 8) | p[i];
    return v;
}

// The Polyglot kind of each piece set of colour a: pawn 0, knight 2, ... king 10, plus one for
// White.
template <typename A> u64 PieceKeys(const A a)
{
    const int white = a.Colour == WHITE ? 1 : 0;
    const u64 sets[6] = {a.Pawns(), a.Knights(), a.Bishops(), a.Rooks(), a.Queens(), a.King()};
    u64 key = 0;
    for (int kind = 0; kind < 6; kind++)
        for (u64 x = sets[kind]; x; x &= x - 1)
            key ^= POLYGLOT_RANDOM[64 * (2 * kind + white) + LowestSquare(x)];
    return key;
}

} // namespace

u64 PolyglotKey(const ChessBoard &b)
{
    u64 key = PieceKeys(ArmyOf<WHITE>(b)) ^ PieceKeys(ArmyOf<BLACK>(b));
    // Castling: white short, white long, black short, black long, as the rights bits run.
    for (int right = 0; right < 4; right++)
        if (b.CastleFlags & (1 << right)) key ^= POLYGLOT_RANDOM[POLYGLOT_CASTLE + right];
    // En passant: the last move was a double step and a pawn of the side to move stands beside
    // the pawn that made it, whether or not taking it would be legal.
    auto passant = [&b](const auto us, const auto them) {
        const u64 to = b.LastTo;
        if (!(to & them.Pawns() & us.Relative(RANK_5)) || !(b.LastFrom & us.Relative(RANK_7)))
            return false;
        const u64 beside = ((to & ~FILE_A) >> 1) | ((to & ~FILE_H) << 1);
        return (beside & us.Pawns()) != 0;
    };
    const bool white = b.SideToMove == 0;
    if (white ? passant(ArmyOf<WHITE>(b), ArmyOf<BLACK>(b))
              : passant(ArmyOf<BLACK>(b), ArmyOf<WHITE>(b)))
        key ^= POLYGLOT_RANDOM[POLYGLOT_EN_PASSANT + LowestSquare(b.LastTo) % 8];
    if (white) key ^= POLYGLOT_RANDOM[POLYGLOT_TURN];
    return key;
}

const char *PolyglotBook::Open(const std::string &name)
{
    Close();
    if (name.empty() || name == "<empty>") return nullptr;
    if (const char *why = file.Open(name.c_str())) return why;
    const u64 entries = file.Size() / ENTRY_SIZE;
    const char *why = nullptr;
    if (file.Size() % ENTRY_SIZE != 0) why = "is cut short: its length is no multiple of 16 bytes";
    // A file of anything else is very unlikely to have its keys in order.
    for (u64 i = 1; !why && i < entries; i++)
        if (BigEndian(file.Data() + (i - 1) * ENTRY_SIZE, 8) >
            BigEndian(file.Data() + i * ENTRY_SIZE, 8))
            why = "is not sorted by key";
    if (why) {
        file.Close();
        return why;
    }
    path = name;
    count = entries;
    return nullptr;
}

void PolyglotBook::Close()
{
    file.Close();
    path.clear();
    count = 0;
}

u64 PolyglotBook::KeyAt(u64 i) const
{
    return BigEndian(file.Data() + i * ENTRY_SIZE, 8);
}

int PolyglotBook::Moves(const ChessBoard &board, BookCandidate *out, int max) const
{
    if (!Loaded() || board.Chess960) return 0;
    const u64 key = PolyglotKey(board);
    // The first entry of the key.
    u64 low = 0, high = count;
    while (low < high) {
        const u64 mid = low + (high - low) / 2;
        if (KeyAt(mid) < key)
            low = mid + 1;
        else
            high = mid;
    }
    const char side = board.SideToMove ? 1 : 0;
    const u64 king = side ? board.BlackKing : board.WhiteKing;
    int n = 0;
    for (u64 i = low; i < count && KeyAt(i) == key && n < max; i++) {
        const u8 *e = file.Data() + i * ENTRY_SIZE;
        const u32 move = static_cast<u32>(BigEndian(e + 8, 2));
        const u32 weight = static_cast<u32>(BigEndian(e + 10, 2));
        // Bits 0-5 the to-square, 6-11 the from-square, 12-14 the promotion piece (1 knight,
        // 2 bishop, 3 rook, 4 queen).
        const int toSq = move & 63, fromSq = (move >> 6) & 63, piece = (move >> 12) & 7;
        u64 from = SquareMask(fromSq), to = SquareMask(toSq);
        if (weight == 0 || from == to || piece > 4) continue;
        // Castling, written as the king on e1 (e8) taking its rook in the corner.
        const u64 ownRooks = side ? board.BlackRooks : board.WhiteRooks;
        if ((from & king) && (to & ownRooks) && fromSq % 8 == 4 && (toSq % 8 == 7 || toSq % 8 == 0))
            to = SquareMask(toSq % 8 == 7 ? fromSq + 2 : fromSq - 2);
        const char letter = piece ? "nbrq"[piece - 1] : 0;
        char promotion;
        if (!FindLegalMove(board, side, from, to, letter, &promotion)) continue;
        out[n++] = {from, to, promotion, weight};
    }
    return n;
}

int ChooseBookMove(const BookCandidate *c, int n, bool best, u64 random)
{
    u64 total = 0;
    int heaviest = -1;
    for (int i = 0; i < n; i++) {
        total += c[i].Weight;
        if (c[i].Weight > 0 && (heaviest < 0 || c[i].Weight > c[heaviest].Weight)) heaviest = i;
    }
    if (best || total == 0) return heaviest;
    u64 draw = random % total;
    for (int i = 0; i < n; i++) {
        if (draw < c[i].Weight) return i;
        draw -= c[i].Weight;
    }
    return heaviest;
}
