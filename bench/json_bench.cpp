// JSON benchmark: parses and writes a generated song list the size of a large
// user's settings file and prints the rates (native build: bash bench/run.sh json).
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "support/json.h"

namespace {

std::string songList(int songs) {
  std::string text = "{\"sequence\":[";
  for (int i = 0; i < songs; ++i) text += (i ? "," : "") + std::to_string(songs - i);
  text += "],\"songs\":[";
  for (int i = 1; i <= songs; ++i) {
    if (i > 1) text += ",\n";
    text += "{\"id\":" + std::to_string(i) + ",\"song_id\":" + std::to_string(i % 3 ? i * 7 : 0) +
            ",\"song_path\":\"C:\\\\Music\\\\\xE6\xAD\x8C\xE6\x89\x8B " + std::to_string(i) +
            ".MP3\",\"title\":\"Title \xE6\xA0\x87\xE9\xA2\x98 " + std::to_string(i) +
            "\",\"singer\":\"Singer\",\"total_second\":" + std::to_string(120 + i % 200) +
            ".5,\"lyric_id\":" + std::to_string(i) + ",\"lyric_url\":\"http://lyrics.example/" +
            std::to_string(i) + ".lrc\"}";
  }
  return text + "]}";
}

double secondsOf(void (*work)(const std::string&, std::string&), const std::string& in, std::string& out,
                 int rounds) {
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < rounds; ++i) work(in, out);
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() / rounds;
}

}  // namespace

int main(int argc, char** argv) {
  const int songs = argc > 1 ? std::atoi(argv[1]) : 20000;
  const int rounds = 10;
  const std::string text = songList(songs);
  const kavri::JObject document = kavri::JObject::parse(text.c_str());
  const std::string written = document.toText();

  std::string sink;
  const double parse = secondsOf([](const std::string& in, std::string&) { kavri::JObject::parse(in.c_str()); },
                                 text, sink, rounds);
  static kavri::JObject parsed = document;
  const double write = secondsOf([](const std::string&, std::string& out) { out = parsed.toText(); },
                                 text, sink, rounds);
  const double mb = 1024.0 * 1024.0;
  std::printf("song list: %d songs, %zu bytes in, %zu bytes written\n", songs, text.size(), written.size());
  std::printf("%-8s %10s %10s\n", "", "ms", "MB/s");
  std::printf("%-8s %10.2f %10.1f\n", "parse", parse * 1000, double(text.size()) / mb / parse);
  std::printf("%-8s %10.2f %10.1f\n", "write", write * 1000, double(written.size()) / mb / write);
  return 0;
}
