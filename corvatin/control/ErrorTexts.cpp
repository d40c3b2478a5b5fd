// The texts of the control's result codes and of the register's own error
// codes: the definitions of what ErrorTexts.h declares.
#include "corvatin/control/ErrorTexts.h"

#include <cstdint>
#include <limits>

#include "platform/com/ansi.h"

namespace corvatin {

namespace {

struct CodeText {
  LONG code;
  const char* text;  // UTF-8
};

// The control's own result codes.
constexpr CodeText kEngineTexts[] = {
    {ecrecUnknownDataType, "Nieznany typ danych..."},
    {ecrecConnectFailed, "Nie powiodło się nawiązanie połączenia z kasą..."},
    {ecrecDisconnectFailed, "Nie powiodło się odłączenie od kasy..."},
    {ecrecCreatePacketFailed, "Nie powiodło się utworzenie pakietu..."},
    {ecrecModeSwitchFailed, "Nie powiodło się przełączenie trybu zapisu na tryb odczytu..."},
    {ecrecUnknownRecordType, "Nieznany typ rekordu..."},
    {ecrecNotSupported, "Funkcjonalność nie obsługiwana..."},
    {ecrecUnknownDeviceType, "Nieznany rodzaj urządzenia..."},
};

constexpr const char* kUnknownCode = "Nieznany błąd. Kod: ";           // UTF-8
constexpr const char* kNakText = "Kasa nie rozpoznała przysłanych danych";  // UTF-8
constexpr const char* kInvalidNativeCode = "Nieprawidłowy kod błędu: ";   // UTF-8
constexpr const char* kInvalidPacket = "Nieprawidłowa budowa pakietu";    // UTF-8

// The register's error table: the code's value (the register sends it as two
// hexadecimal digits) and its text.
constexpr CodeText kNativeTexts[] = {
    {0x01, "Typ zadania niezgodny z typem pakietu startowego"},
    {0x02, "Błędny typ transmisji"},
    {0x03, "Błędne numery początkowy lub końcowy"},
    {0x04, "Napotkano znak nie reprezentujący cyfry"},
    {0x05, "Napotkano niedozwolony znak"},
    {0x06, "Urządzenie w trybie fiskalnym"},
    {0x07, "Liczba poza zakresem"},
    {0x08, "Towar nie istnieje albo błąd kodu EAN"},
    {0x09, "Błędna stawka PTU"},
    {0x0A, "Błędny znak reprezentujący precyzję lub flagę"},
    {0x0B, "Błędny indeks tablicy HALO lub tablicy opakowań"},
    {0x0C, "Data lub czas formalnie niepoprawne"},
    {0x0D, "Brak uprawnień do programowania lub wysyłania danych"},
    {0x0E, "Błąd wewnętrzny"},
    {0x0F, "Niezerowe totalizery sprzedaży PLU bądź totalizery główne"},
    {0x10, "Przekroczony limit 20 zmian stawek PTU"},
    {0x11, "Operacja niedostępna w aktualnym trybie pracy"},
    {0x12, "Numer unikatowy jest już zaprogramowany"},
    {0x13, "Błędny typ zadania"},
    {0x14, "Nie zaprogramowany numer unikatowy"},
    {0x15, "Cena poza zakresem 0..21474836,39 lub programowano cenę zerową, a nie ustawiono flagi \"cena otwarta\""},
    {0x16, "Błąd zapisu do pamięci fiskalnej"},
    {0x17, "Brak papieru"},
    {0x18, "Baza PLU pełna"},
    {0x19, "Wzajemnie wykluczają się ustawienia flag opakowania, precyzji i połączenia tandemu"},
    {0x20, "Towar  w polu tandem nie istnieje"},  // two blanks after "Towar": the register's own text
    {0x21, "Błąd struktury bazy PLU"},
    {0x22, "Błąd sprzętowy pamięci"},
    {0x23, "Zbyt wiele połączeń / tandemów"},
    {0x25, "Nie zaprogramowany zegar lub błędne ustawienie czasu i daty modułu fiskalnego"},
    {0x26, "Błąd pamięci RAM modułu fiskalnego"},
    {0x27, "Zbyt wiele opakowań"},
    {0x28, "Identyczne stawki już zaprogramowane"},
    {0x2A, "Numer wydruku jest mniejszy od najmniejszego bądź większy od największego numeru wydruku w buforze "
           "online"},
    {0x2B, "Bufor online pusty"},
};

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

}  // namespace

std::optional<std::string> EngineErrorText(LONG code) {
  for (const CodeText& row : kEngineTexts)
    if (row.code == code) return Utf8ToAnsi(row.text);
  if (code > 9999) return Utf8ToAnsi(kUnknownCode) + std::to_string(code);
  if (code == 32) return Utf8ToAnsi(kNakText);
  return std::nullopt;
}

std::string InvalidPacketText() { return Utf8ToAnsi(kInvalidPacket); }

std::optional<unsigned long> ParseNativeErrorCode(std::string_view code) {
  constexpr unsigned long kMax = std::numeric_limits<std::uint32_t>::max();
  unsigned long value = 0;
  for (char c : code) {
    int d = HexDigit(c);
    if (d < 0) return std::nullopt;
    // Saturates: a long text of digits names no row, and must not wrap round
    // onto one.
    value = value > (kMax - d) / 16 ? kMax : value * 16 + d;
  }
  return value;
}

std::string NativeErrorText(std::string_view code) {
  std::optional<unsigned long> value = ParseNativeErrorCode(code);
  if (!value) return Utf8ToAnsi(kInvalidNativeCode) + '"' + std::string(code) + '"';
  for (const CodeText& row : kNativeTexts)
    if (static_cast<unsigned long>(row.code) == *value) return Utf8ToAnsi(row.text);
  return Utf8ToAnsi(kUnknownCode) + std::string(code);
}

}  // namespace corvatin
