#include "shell/text.h"

#include <cstdlib>
#include <cstring>

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v';
}

void TrimLine(char *s)
{
    int start = 0;
    while (s[start] && IsBlank(s[start]))
        start++;
    int end = static_cast<int>(std::strlen(s + start)) + start;
    while (end > start && IsBlank(s[end - 1]))
        end--;
    std::memmove(s, s + start, static_cast<size_t>(end - start));
    s[end - start] = '\0';
}

int NextLineWord(const char **p, char *out, int size)
{
    const char *s = *p;
    while (*s && IsBlank(*s))
        s++;
    int n = 0;
    while (s[n] && !IsBlank(s[n])) {
        if (n < size - 1) out[n] = s[n];
        n++;
    }
    out[n < size - 1 ? n : size - 1] = '\0';
    *p = s + n;
    return n;
}

void FirstWordOf(const char *line, char *out, int size)
{
    const char *p = line;
    NextLineWord(&p, out, size);
}

i32 NumberOf(const char *s)
{
    return Clamp32(std::strtoll(s, nullptr, 10));
}

bool IsNumber(const char *s, bool fraction)
{
    if (*s == '-' || *s == '+') s++;
    bool digits = false, point = false;
    for (; *s; s++) {
        if (*s >= '0' && *s <= '9')
            digits = true;
        else if (fraction && *s == '.' && !point)
            point = true;
        else
            return false;
    }
    return digits;
}

int SquareOfText(const char *s)
{
    if (s[0] < 'a' || s[0] > 'h' || s[1] < '1' || s[1] > '8') return -1;
    return SquareOf(s[0] - 'a', s[1] - '1');
}

bool ParseMoveText(const char *word, int *fromSq, int *toSq, char *letter)
{
    const size_t n = std::strlen(word);
    if (n < 4 || n > 5) return false;
    *fromSq = SquareOfText(word);
    *toSq = SquareOfText(word + 2);
    *letter = word[4];
    return *fromSq >= 0 && *toSq >= 0;
}
