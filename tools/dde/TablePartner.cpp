// yb-dde-table-partner: another program's table, served over the exchange layer so that the
// program's table documents have a partner to talk to. It offers one service and two topics:
// its table (cells named "R<row>C<column>", in the spreadsheet's fast-table format "XLTable" and
// as text) and "System". Every transaction is appended to a log, one line each:
//   connect <topic> / poke <cell> xltable <value> in <n> bytes / poke <cell> text <text> /
//   request <cell> xltable|text /
//   execute <text> / disconnect <topic>
//
//   yb-dde-table-partner [--service name] [--topic name] [--log file] [--ready file]
//       [--cell RrCc=value]... [--schedule RrCc=v0,v1,...]... [--text RrCc=text]...
//       [--no-xltable] [--strings]
//       [--slow milliseconds] [--disconnect-after requests] [topic]
//
// Started as a program that documents name (with the document as its one argument) it takes the
// service from its own file name and the topic from the argument, and further options, blank
// separated, from YB_TABLE_PARTNER_OPTIONS (which go over the arguments).
//
// --schedule: the cell holds v0 until the first execute, v1 after it, and so on (the last value
// stays). --text: the cell holds a text, answered as it is (and as a string in a fast table).
// The ready file gets the program's process number. --no-xltable refuses the fast-table format;
// --strings answers it with a table of strings; --slow answers every transaction no sooner than
// that many milliseconds after it arrived;
// --disconnect-after ends every conversation once that many requests have been answered. The
// program ends once its table has had a conversation and none is left, or by a signal.

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "platform/dde/Ddeml.h"
#include "platform/win32/Message.h"
#include "platform/win32/WindowMessages.h"

namespace {

struct Options {
  std::string service = "TABLES";
  std::string topic = "table";
  std::string log;
  std::string ready;
  bool xltable = true;
  bool strings = false;
  int slow = 0;
  int disconnectAfter = -1;
};

Options options;
std::map<std::string, std::vector<double>> cells;  // a cell's values by executes seen
std::map<std::string, std::string> texts;           // cells that hold a text
uint32_t instance = 0;
UINT xltable = 0;
int executes = 0;
int requests = 0;
std::map<HCONV, std::string> conversations;  // the topic of each
bool tableTalked = false;

void Log(const std::string& line) {
  if (options.log.empty()) return;
  if (FILE* file = std::fopen(options.log.c_str(), "a")) {
    std::fprintf(file, "%s\n", line.c_str());
    std::fclose(file);
  }
}

std::string Text(HSZ handle) {
  return DdeStringOf(handle);
}

std::string Upper(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

std::vector<uint8_t> Bytes(HDDEDATA data) {
  std::vector<uint8_t> bytes(DdeGetData(data, nullptr, 0, 0));
  DdeGetData(data, bytes.data(), static_cast<uint32_t>(bytes.size()), 0);
  return bytes;
}

double CellValue(const std::string& name) {
  const auto it = cells.find(Upper(name));
  if (it == cells.end() || it->second.empty()) return 0.0;
  const size_t at = std::min<size_t>(static_cast<size_t>(executes), it->second.size() - 1);
  return it->second[at];
}

void PutU16(std::vector<uint8_t>& out, uint16_t value) {
  out.push_back(static_cast<uint8_t>(value));
  out.push_back(static_cast<uint8_t>(value >> 8));
}

// One cell as a fast table: a table record of one row and column, then a float record (or, when
// asked, a string record).
std::vector<uint8_t> FastTable(double value, const std::string& text, bool asStrings) {
  std::vector<uint8_t> out;
  for (const uint16_t word : {0x0010, 4, 1, 1}) PutU16(out, static_cast<uint16_t>(word));
  if (asStrings) {
    PutU16(out, 0x0002);
    PutU16(out, static_cast<uint16_t>(text.size() + 1));
    out.push_back(static_cast<uint8_t>(text.size()));
    out.insert(out.end(), text.begin(), text.end());
    return out;
  }
  PutU16(out, 0x0001);
  PutU16(out, 8);
  uint8_t raw[8];
  std::memcpy(raw, &value, 8);
  out.insert(out.end(), raw, raw + 8);
  return out;
}

// The first value of a fast table's float record, if it has one.
bool ReadFastTable(const std::vector<uint8_t>& bytes, double* value) {
  if (bytes.size() < 20) return false;
  if (bytes[0] != 0x10 || bytes[8] != 0x01) return false;
  std::memcpy(value, bytes.data() + 12, 8);
  return true;
}

void Answer() {
  if (options.slow > 0) std::this_thread::sleep_for(std::chrono::milliseconds(options.slow));
}

HDDEDATA Callback(uint32_t type, uint32_t format, HCONV conversation, HSZ first, HSZ second,
                  HDDEDATA data, uintptr_t, uintptr_t) {
  switch (type) {
    case XTYP_CONNECT: {
      const std::string topic = Text(first);
      const bool ours = topic == options.topic || Upper(topic) == "SYSTEM";
      if (ours) Log("connect " + topic);
      return ours ? 1 : 0;
    }
    case XTYP_CONNECT_CONFIRM:
      conversations[conversation] = Text(first);
      tableTalked = tableTalked || Text(first) == options.topic;
      return 0;
    case XTYP_DISCONNECT:
      // Named by its topic: the ends of two conversations, or the end of one and the start of
      // another, come in no order that anything holds them to.
      Log("disconnect " + conversations[conversation]);
      conversations.erase(conversation);
      if (tableTalked && conversations.empty()) PostQuitMessage(0);
      return 0;
    case XTYP_POKE: {
      Answer();
      const std::vector<uint8_t> bytes = Bytes(data);
      double value = 0.0;
      if (format == xltable) {
        if (!options.xltable || !ReadFastTable(bytes, &value)) return DDE_FNOTPROCESSED;
        Log("poke " + Text(second) + " xltable " + std::to_string(value) + " in " +
            std::to_string(bytes.size()) + " bytes");
      } else if (format == CF_TEXT) {
        const std::string text(bytes.begin(), bytes.end());
        value = std::strtod(text.c_str(), nullptr);
        Log("poke " + Text(second) + " text " + std::string(text.c_str()));
      } else {
        return DDE_FNOTPROCESSED;
      }
      cells[Upper(Text(second))] = {value};
      return DDE_FACK;
    }
    case XTYP_REQUEST: {
      Answer();
      // Ended once this request has been answered.
      if (options.disconnectAfter >= 0 && ++requests == options.disconnectAfter) PostThreadMessage(WM_USER, 0, 0);
      const std::string item = Text(second);
      const double value = CellValue(item);
      char text[256];
      std::snprintf(text, sizeof text, "%g", value);
      const auto held = texts.find(Upper(item));
      if (held != texts.end()) std::snprintf(text, sizeof text, "%s", held->second.c_str());
      const bool asStrings = options.strings || held != texts.end();
      if (format == xltable) {
        Log("request " + item + " xltable");
        if (!options.xltable) return 0;
        const std::vector<uint8_t> table = FastTable(value, text, asStrings);
        return DdeCreateDataHandle(instance, table.data(), static_cast<uint32_t>(table.size()), 0,
                                   second, format, 0);
      }
      if (format != CF_TEXT) return 0;
      Log("request " + item + " text");
      return DdeCreateDataHandle(instance, reinterpret_cast<const uint8_t*>(text),
                                 static_cast<uint32_t>(std::strlen(text) + 1), 0, second, format, 0);
    }
    case XTYP_EXECUTE: {
      Answer();
      const std::vector<uint8_t> bytes = Bytes(data);
      Log("execute " + std::string(reinterpret_cast<const char*>(bytes.data()),
                                   strnlen(reinterpret_cast<const char*>(bytes.data()), bytes.size())));
      ++executes;
      return DDE_FACK;
    }
    default:
      return 0;
  }
}

// "R1C2=1,2,3" into the cell's values.
bool AddCell(const char* text) {
  const char* equals = std::strchr(text, '=');
  if (equals == nullptr) return false;
  std::vector<double> values;
  for (const char* at = equals + 1; *at != '\0';) {
    char* end = nullptr;
    values.push_back(std::strtod(at, &end));
    if (end == at) return false;
    at = *end == ',' ? end + 1 : end;
  }
  cells[Upper(std::string(text, equals))] = values;
  return true;
}

bool ReadOptions(const std::vector<std::string>& words) {
  for (size_t i = 0; i < words.size(); ++i) {
    const std::string& word = words[i];
    const bool more = i + 1 < words.size();
    auto next = [&] { return words[++i].c_str(); };
    if (more && word == "--service") options.service = next();
    else if (more && word == "--topic") options.topic = next();
    else if (more && word == "--log") options.log = next();
    else if (more && word == "--ready") options.ready = next();
    else if (more && (word == "--cell" || word == "--schedule")) {
      if (!AddCell(next())) return false;
    } else if (more && word == "--text") {
      const std::string cell = next();
      const size_t equals = cell.find('=');
      if (equals == std::string::npos) return false;
      texts[Upper(cell.substr(0, equals))] = cell.substr(equals + 1);
    } else if (word == "--no-xltable") options.xltable = false;
    else if (word == "--strings") options.strings = true;
    else if (more && word == "--slow") options.slow = std::atoi(next());
    else if (more && word == "--disconnect-after") options.disconnectAfter = std::atoi(next());
    else if (!word.empty() && word[0] != '-') options.topic = word;
    else if (!word.empty()) return false;
  }
  return true;
}

std::vector<std::string> Words(const char* text) {
  std::vector<std::string> words;
  std::string word;
  for (const char* at = text; at != nullptr && *at != '\0'; ++at) {
    if (*at != ' ') {
      word += *at;
    } else if (!word.empty()) {
      words.push_back(word);
      word.clear();
    }
  }
  if (!word.empty()) words.push_back(word);
  return words;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string self = argv[0];
  options.service = self.substr(self.find_last_of('/') + 1);
  // What the environment says goes over the arguments the program was started with.
  if (!ReadOptions(std::vector<std::string>(argv + 1, argv + argc))) return 2;
  if (!ReadOptions(Words(std::getenv("YB_TABLE_PARTNER_OPTIONS")))) return 2;
  xltable = RegisterClipboardFormat("XLTable");
  if (DdeInitialize(&instance, Callback, CBF_FAIL_ADVISES, 0) != DMLERR_NO_ERROR) return 1;
  const HSZ service = DdeCreateStringHandle(instance, options.service.c_str(), CP_WINANSI);
  if (DdeNameService(instance, service, 0, DNS_REGISTER) == 0) return 1;
  if (!options.ready.empty()) {
    if (FILE* file = std::fopen(options.ready.c_str(), "w")) {
      std::fprintf(file, "%d\n", static_cast<int>(getpid()));
      std::fclose(file);
    }
  }
  MSG message;
  while (GetMessage(&message, nullptr, 0, 0) > 0) {
    if (message.message == WM_USER) {
      const std::map<HCONV, std::string> open = conversations;
      for (const auto& entry : open) DdeDisconnect(entry.first);
      conversations.clear();
    }
    if (tableTalked && conversations.empty()) break;
  }
  DdeUninitialize(instance);
  return 0;
}
