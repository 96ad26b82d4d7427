// gen_assets: deterministic generator for Kelvarine's images and sounds.
//
// Usage: gen_assets <output-dir>
//
// Writes three verb-cursor icons, three tileable room textures and two
// looping sounds. Every byte depends only on this source: no clock, no
// global rand(), only fixed-seed hashes and plain IEEE double arithmetic.
// Build without -ffast-math so the float maths stays reproducible.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace {

constexpr double kPi = 3.14159265358979323846;

// ----------------------------------------------------------------------------
// Deterministic randomness
// ----------------------------------------------------------------------------

// "lowbias32" integer hash (Chris Wellons): good avalanche, tiny.
uint32_t hash32(uint32_t x) {
  x ^= x >> 16;
  x *= 0x7feb352dU;
  x ^= x >> 15;
  x *= 0x846ca68bU;
  x ^= x >> 16;
  return x;
}

// Hash of a 2D lattice point plus a seed, mapped to [0, 1).
double hashUnit(int a, int b, uint32_t seed) {
  uint32_t h = hash32(static_cast<uint32_t>(a) * 0x9E3779B1U ^
                      hash32(static_cast<uint32_t>(b) + seed * 0x85EBCA77U));
  return (h >> 8) * (1.0 / 16777216.0);
}

// Marsaglia xorshift32 stream, used for audio noise.
struct XorShift32 {
  uint32_t s;
  explicit XorShift32(uint32_t seed) : s(seed ? seed : 1U) {}
  uint32_t next() {
    s ^= s << 13;
    s ^= s >> 17;
    s ^= s << 5;
    return s;
  }
  double signedUnit() { return (next() >> 8) * (2.0 / 16777216.0) - 1.0; }
};

double clamp01(double v) { return std::min(1.0, std::max(0.0, v)); }
double lerp(double a, double b, double t) { return a + (b - a) * t; }
double smooth(double t) { return t * t * (3.0 - 2.0 * t); }

int wrap(int i, int period) { return ((i % period) + period) % period; }

// Value noise on a lattice that repeats every (periodX, periodY) cells;
// x and y are in cell units. Output in [0, 1).
double valueNoise(double x, double y, int periodX, int periodY, uint32_t seed) {
  const int ix = static_cast<int>(std::floor(x));
  const int iy = static_cast<int>(std::floor(y));
  const double fx = smooth(x - ix), fy = smooth(y - iy);
  auto at = [&](int i, int j) {
    return hashUnit(wrap(i, periodX), wrap(j, periodY), seed);
  };
  const double top = lerp(at(ix, iy), at(ix + 1, iy), fx);
  const double bottom = lerp(at(ix, iy + 1), at(ix + 1, iy + 1), fx);
  return lerp(top, bottom, fy);
}

// Fractal sum of value noise over a `size`-pixel tile. The coarsest octave
// has cellsX x cellsY cells across the tile; each octave doubles both, so
// the result tiles seamlessly every `size` pixels. Output in [0, 1).
double fbm(double px, double py, int size, int cellsX, int cellsY, int octaves,
           uint32_t seed) {
  double sum = 0.0, norm = 0.0, amp = 1.0;
  for (int o = 0; o < octaves; ++o) {
    sum += amp * valueNoise(px * cellsX / size, py * cellsY / size, cellsX,
                            cellsY, seed + static_cast<uint32_t>(o) * 101U);
    norm += amp;
    amp *= 0.5;
    cellsX *= 2;
    cellsY *= 2;
  }
  return sum / norm;
}

// ----------------------------------------------------------------------------
// Images and TGA output
// ----------------------------------------------------------------------------

struct Color {
  double r = 0, g = 0, b = 0, a = 1;
};

Color rgb(int r, int g, int b) { return {r / 255.0, g / 255.0, b / 255.0, 1.0}; }
Color scaled(Color c, double k) { return {c.r * k, c.g * k, c.b * k, c.a}; }

uint8_t toByte(double v) {
  return static_cast<uint8_t>(std::lround(clamp01(v) * 255.0));
}

// RGBA8 pixels, row 0 is the TOP of the picture.
struct Image {
  int w, h;
  std::vector<uint8_t> px;
  Image(int width, int height)
      : w(width), h(height), px(static_cast<size_t>(width) * height * 4, 0) {}
  void set(int x, int y, Color c) {
    uint8_t* p = &px[(static_cast<size_t>(y) * w + x) * 4];
    p[0] = toByte(c.r);
    p[1] = toByte(c.g);
    p[2] = toByte(c.b);
    p[3] = toByte(c.a);
  }
};

// Uncompressed true-colour TGA, bottom-up rows (descriptor bit 5 clear).
bool writeTga(const std::string& path, const Image& img, int bits) {
  const int bpp = bits / 8;
  std::vector<uint8_t> out(18, 0);
  out[2] = 2;  // image type: uncompressed true-colour
  out[12] = static_cast<uint8_t>(img.w & 0xFF);
  out[13] = static_cast<uint8_t>(img.w >> 8);
  out[14] = static_cast<uint8_t>(img.h & 0xFF);
  out[15] = static_cast<uint8_t>(img.h >> 8);
  out[16] = static_cast<uint8_t>(bits);
  out[17] = bits == 32 ? 8 : 0;  // alpha bits; origin bottom-left
  for (int y = img.h - 1; y >= 0; --y) {
    for (int x = 0; x < img.w; ++x) {
      const uint8_t* p = &img.px[(static_cast<size_t>(y) * img.w + x) * 4];
      out.push_back(p[2]);  // B
      out.push_back(p[1]);  // G
      out.push_back(p[0]);  // R
      if (bpp == 4) out.push_back(p[3]);
    }
  }
  std::ofstream f(path, std::ios::binary);
  f.write(reinterpret_cast<const char*>(out.data()),
          static_cast<std::streamsize>(out.size()));
  return static_cast<bool>(f);
}

// ----------------------------------------------------------------------------
// Icons: signed distance shapes (negative inside, in pixels), supersampled
// ----------------------------------------------------------------------------

struct Vec2 {
  double x, y;
};
Vec2 operator-(Vec2 a, Vec2 b) { return {a.x - b.x, a.y - b.y}; }
Vec2 operator*(Vec2 a, double k) { return {a.x * k, a.y * k}; }
double dot(Vec2 a, Vec2 b) { return a.x * b.x + a.y * b.y; }
double length(Vec2 a) { return std::sqrt(dot(a, a)); }

double sdCircle(Vec2 p, Vec2 c, double r) { return length(p - c) - r; }

double sdCapsule(Vec2 p, Vec2 a, Vec2 b, double r) {
  const Vec2 pa = p - a, ba = b - a;
  const double t = clamp01(dot(pa, ba) / dot(ba, ba));
  return length(pa - ba * t) - r;
}

double sdRoundBox(Vec2 p, Vec2 center, Vec2 half, double r) {
  const double qx = std::fabs(p.x - center.x) - half.x + r;
  const double qy = std::fabs(p.y - center.y) - half.y + r;
  const double outside = std::hypot(std::max(qx, 0.0), std::max(qy, 0.0));
  return outside + std::min(std::max(qx, qy), 0.0) - r;
}

// Exact triangle distance (after Inigo Quilez).
double sdTriangle(Vec2 p, Vec2 a, Vec2 b, Vec2 c) {
  const Vec2 e[3] = {b - a, c - b, a - c};
  const Vec2 v[3] = {p - a, p - b, p - c};
  const double s = (e[0].x * e[2].y - e[0].y * e[2].x) < 0 ? -1.0 : 1.0;
  double best = 1e9, sign = 1e9;
  for (int i = 0; i < 3; ++i) {
    const Vec2 q = v[i] - e[i] * clamp01(dot(v[i], e[i]) / dot(e[i], e[i]));
    best = std::min(best, dot(q, q));
    sign = std::min(sign, s * (v[i].x * e[i].y - v[i].y * e[i].x));
  }
  return -std::sqrt(best) * (sign < 0 ? -1.0 : 1.0);
}

const Color kInk = rgb(28, 20, 16);  // dark outline shared by all icons
constexpr double kOutline = 2.2;     // outline width in pixels

// Colour of a sample given the shape distance: transparent outside, ink
// along the rim, `fill` inside.
Color outlined(double d, Color fill) {
  if (d > 0.0) return {0, 0, 0, 0};
  return d > -kOutline ? kInk : fill;
}

// Renders a 64x64 icon with 4x4 supersampling. Fully uncovered pixels get
// alpha 0 and the ink colour, so bilinear filtering never bleeds in white.
Image renderIcon(const std::function<Color(Vec2)>& shade) {
  constexpr int kSize = 64, kSub = 4;
  Image img(kSize, kSize);
  for (int y = 0; y < kSize; ++y) {
    for (int x = 0; x < kSize; ++x) {
      Color acc{0, 0, 0, 0};  // premultiplied
      for (int sy = 0; sy < kSub; ++sy) {
        for (int sx = 0; sx < kSub; ++sx) {
          const Vec2 p{x + (sx + 0.5) / kSub, y + (sy + 0.5) / kSub};
          const Color c = shade(p);
          acc.r += c.r * c.a;
          acc.g += c.g * c.a;
          acc.b += c.b * c.a;
          acc.a += c.a;
        }
      }
      if (acc.a <= 0.0) {
        img.set(x, y, {kInk.r, kInk.g, kInk.b, 0.0});
        continue;
      }
      img.set(x, y, {acc.r / acc.a, acc.g / acc.a, acc.b / acc.a,
                     acc.a / (kSub * kSub)});
    }
  }
  return img;
}

// Open right hand seen from the palm, fingers up, thumb to the left.
Image makeHandIcon() {
  return renderIcon([](Vec2 p) {
    const Color skin = rgb(250, 214, 172);
    const double palm = sdRoundBox(p, {33, 41}, {13.5, 12.5}, 6);
    const double thumb = sdCapsule(p, {24, 46}, {10.5, 30}, 4.8);
    // Index, middle, ring, little: x position, fingertip y, radius. Neighbours
    // overlap by about a pixel so the fingers read as one solid hand.
    const double fingers[4][3] = {
        {23.5, 10, 4.3}, {31, 6, 4.4}, {38.5, 8, 4.3}, {45.5, 14, 3.9}};
    double fingerDist[4];
    double hand = std::min(palm, thumb);
    for (int i = 0; i < 4; ++i) {
      fingerDist[i] = sdCapsule(p, {fingers[i][0], 36}, {fingers[i][0], fingers[i][1]},
                                fingers[i][2]);
      hand = std::min(hand, fingerDist[i]);
    }
    const double cuff = sdRoundBox(p, {33, 57.5}, {14, 5}, 2.5);
    if (cuff <= 0.0) return outlined(cuff, rgb(70, 110, 190));
    Color c = outlined(hand, skin);
    if (hand > -kOutline) return c;
    // Creases: between two fingers (where their distances are equal) and
    // along the thumb's edge over the palm.
    for (int i = 0; i < 3; ++i)
      if (palm > -1.0 && std::max(fingerDist[i], fingerDist[i + 1]) < 1.0 &&
          std::fabs(fingerDist[i] - fingerDist[i + 1]) < 1.3)
        return kInk;
    if (std::fabs(thumb) < 0.8 && p.y < 44) return kInk;
    // Soft shading: slightly darker towards the wrist.
    return scaled(c, 1.0 - 0.12 * clamp01((p.y - 20) / 36));
  });
}

// Almond eye with iris, pupil, highlight and a few lashes.
Image makeEyeIcon() {
  return renderIcon([](Vec2 p) {
    // Almond = intersection of two circles; half width 28, half height 14.
    constexpr double kR = 35.0, kOff = 21.0;  // (R-off)=14, R^2-off^2=28^2
    const double almond =
        std::max(sdCircle(p, {32, 34 + kOff}, kR), sdCircle(p, {32, 34 - kOff}, kR));
    double lashes = 1e9;
    const double lash[4][4] = {
        {16, 24, 11, 16}, {26, 21, 23, 12}, {38, 21, 41, 12}, {48, 24, 53, 16}};
    for (const auto& l : lash)
      lashes = std::min(lashes, sdCapsule(p, {l[0], l[1]}, {l[2], l[3]}, 1.4));
    if (almond > 0.0) return lashes <= 0.0 ? kInk : Color{0, 0, 0, 0};
    if (almond > -kOutline) return kInk;
    const Vec2 c{32, 34};
    const double r = length(p - c);
    if (sdCircle(p, {27.5, 29.5}, 2.6) < 0.0) return rgb(255, 255, 255);
    if (r < 5.5) return rgb(12, 12, 20);  // pupil
    if (r < 12.0) {                       // iris: darker rim, lighter centre
      const double t = (r - 5.5) / 6.5;
      return scaled(rgb(70, 150, 215), 1.1 - 0.45 * t * t);
    }
    if (r < 13.2) return kInk;  // iris ring
    // Eye white, shaded a little towards the lids.
    return scaled(rgb(250, 248, 240), 1.0 - 0.15 * clamp01((r - 13) / 16));
  });
}

// Rounded speech bubble with a tail and "..." inside.
Image makeTalkIcon() {
  return renderIcon([](Vec2 p) {
    const double body = sdRoundBox(p, {33, 26}, {28, 19}, 11);
    const double tail = sdTriangle(p, {15, 38}, {29, 42}, {8, 59});
    const double bubble = std::min(body, tail);
    if (bubble > -kOutline) return outlined(bubble, kInk);
    for (int i = 0; i < 3; ++i)
      if (sdCircle(p, {21.0 + 12.0 * i, 26}, 3.6) < 0.0) return kInk;
    return scaled(rgb(252, 250, 242), 1.0 - 0.1 * clamp01((p.y - 10) / 36));
  });
}

// ----------------------------------------------------------------------------
// Tileable 256x256 textures
// ----------------------------------------------------------------------------

constexpr int kTex = 256;

// Wall panelling: four vertical 64 px planks, each made of two 128 px boards
// (joints staggered per plank), flowing grain, a dark seam and a bevel.
Image makeWoodWall() {
  Image img(kTex, kTex);
  constexpr int kPlank = 64, kBoard = kTex / 2;
  const Color base = rgb(122, 78, 46);
  for (int y = 0; y < kTex; ++y) {
    for (int x = 0; x < kTex; ++x) {
      const int plank = x / kPlank, u = x % kPlank;
      const int joint = static_cast<int>(hashUnit(plank, 0, 11) * kBoard);
      const int along = wrap(y - joint, kTex);  // wraps, so boards tile in y
      const int seg = along / kBoard, dy = along % kBoard;
      const double tone = 0.86 + 0.24 * hashUnit(plank, seg, 12);
      // Growth rings: stripes across x, bent by low-frequency noise.
      const double warp = fbm(x, y, kTex, 4, 2, 3, 13);
      const double ring = 0.5 + 0.5 * std::sin(2 * kPi * (u + 22 * warp) / 9.0 +
                                               7.0 * hashUnit(plank, seg, 14));
      // Fine streaks: noise stretched along y (many cells across, few down).
      const double streak = fbm(x, y, kTex, 128, 4, 2, 15);
      double k = tone * (0.82 + 0.14 * ring * ring * ring + 0.22 * streak);
      if (u == 0) k *= 0.35;  // seam
      else if (u == 1) k *= 0.7;
      else if (u == 2) k *= 1.08;  // bevel catching the light
      else if (u == kPlank - 1) k *= 0.75;
      if (dy == 0) k *= 0.4;  // board end joint
      else if (dy == 1) k *= 0.8;
      img.set(x, y, scaled(base, k));
    }
  }
  return img;
}

// Floor: horizontal boards, 32 px wide and 128 px long, staggered per row.
Image makeHardwoodFloor() {
  Image img(kTex, kTex);
  constexpr int kRow = 32, kBoard = 128;
  // Hand-picked joint offsets so neighbouring rows never line up.
  const int offsets[kTex / kRow] = {0, 80, 32, 112, 48, 16, 96, 64};
  const Color base = rgb(196, 132, 78);
  for (int y = 0; y < kTex; ++y) {
    for (int x = 0; x < kTex; ++x) {
      const int row = y / kRow, v = y % kRow;
      const int along = wrap(x - offsets[row], kTex);
      const int board = along / kBoard, u = along % kBoard;
      const double tone = 0.82 + 0.26 * hashUnit(row, board, 21);
      const double warp = fbm(x, y, kTex, 2, 4, 3, 22);
      const double ring = 0.5 + 0.5 * std::sin(2 * kPi * (v + 16 * warp) / 7.0 +
                                               7.0 * hashUnit(row, board, 23));
      const double streak = fbm(x, y, kTex, 4, 128, 2, 24);
      double k = tone * (0.80 + 0.14 * ring * ring * ring + 0.24 * streak);
      if (v == 0) k *= 0.4;  // long gap between rows
      else if (v == 1) k *= 1.06;
      else if (v == kRow - 1) k *= 0.8;
      if (u == 0) k *= 0.45;  // board end joint
      else if (u == kBoard - 1) k *= 0.8;
      Color c = scaled(base, k);
      c.a = 1.0;
      img.set(x, y, c);
    }
  }
  return img;
}

// Ceiling: 4x4 off-white acoustic tiles with speckle and a thin grid.
Image makeCeiling() {
  Image img(kTex, kTex);
  constexpr int kTile = 64;
  const Color base = rgb(232, 228, 218);
  for (int y = 0; y < kTex; ++y) {
    for (int x = 0; x < kTex; ++x) {
      const int u = x % kTile, v = y % kTile;
      const double tone = 0.97 + 0.04 * hashUnit(x / kTile, y / kTile, 31);
      const double cloud = fbm(x, y, kTex, 8, 8, 4, 32);
      const double grain = hashUnit(x, y, 33);
      double k = tone * (0.95 + 0.06 * cloud + 0.03 * grain);
      if (grain > 0.965) k *= 0.86;  // pinholes
      if (u == 0 || v == 0) k *= 0.68;  // grid
      else if (u == 1 || v == 1) k *= 1.03;
      else if (u == kTile - 1 || v == kTile - 1) k *= 0.9;
      img.set(x, y, scaled(base, k));
    }
  }
  return img;
}

// ----------------------------------------------------------------------------
// Sounds and WAV output
// ----------------------------------------------------------------------------

constexpr int kRate = 22050;

void put16(std::vector<uint8_t>& o, uint32_t v) {
  o.push_back(static_cast<uint8_t>(v & 0xFF));
  o.push_back(static_cast<uint8_t>((v >> 8) & 0xFF));
}
void put32(std::vector<uint8_t>& o, uint32_t v) {
  put16(o, v & 0xFFFF);
  put16(o, v >> 16);
}
void putTag(std::vector<uint8_t>& o, const char* tag) { o.insert(o.end(), tag, tag + 4); }

// 16-bit mono PCM RIFF/WAVE.
bool writeWav(const std::string& path, const std::vector<double>& samples) {
  const uint32_t dataBytes = static_cast<uint32_t>(samples.size() * 2);
  std::vector<uint8_t> o;
  putTag(o, "RIFF");
  put32(o, 36 + dataBytes);
  putTag(o, "WAVE");
  putTag(o, "fmt ");
  put32(o, 16);         // fmt chunk size
  put16(o, 1);          // PCM
  put16(o, 1);          // mono
  put32(o, kRate);      // sample rate
  put32(o, kRate * 2);  // byte rate
  put16(o, 2);          // block align
  put16(o, 16);         // bits per sample
  putTag(o, "data");
  put32(o, dataBytes);
  for (double s : samples) {
    const long v = std::lround(std::max(-1.0, std::min(1.0, s)) * 32767.0);
    put16(o, static_cast<uint32_t>(static_cast<int16_t>(v)) & 0xFFFF);
  }
  std::ofstream f(path, std::ios::binary);
  f.write(reinterpret_cast<const char*>(o.data()), static_cast<std::streamsize>(o.size()));
  return static_cast<bool>(f);
}

void scaleToPeak(std::vector<double>& s, double peak) {
  double m = 0.0;
  for (double v : s) m = std::max(m, std::fabs(v));
  if (m > 0.0)
    for (double& v : s) v *= peak / m;
}

// Percussive envelope: 2 ms attack, exponential decay; zero before t = 0.
double hitEnvelope(double t, double decay) {
  if (t < 0.0) return 0.0;
  return (1.0 - std::exp(-t / 0.002)) * std::exp(-t / decay);
}

// One step: a heel thump with a falling pitch, the toe 45 ms later, and a
// low-passed noise scuff. Cosine-faded to exactly zero after kLen seconds.
void addStep(std::vector<double>& buf, size_t start, uint32_t seed, double gain) {
  constexpr double kLen = 0.34, kFade = 0.08, kToe = 0.045;
  const int len = static_cast<int>(kLen * kRate);
  XorShift32 rng(seed);
  double phase = 0.0, lp1 = 0.0, lp2 = 0.0;
  for (int i = 0; i < len && start + i < buf.size(); ++i) {
    const double t = static_cast<double>(i) / kRate;
    phase += 2 * kPi * (52.0 + 48.0 * std::exp(-t / 0.03)) / kRate;
    const double thump =
        std::sin(phase) * (hitEnvelope(t, 0.04) + 0.6 * hitEnvelope(t - kToe, 0.035));
    // Two one-pole low-passes (~850 Hz) turn white noise into a soft scuff.
    lp1 += 0.22 * (rng.signedUnit() - lp1);
    lp2 += 0.22 * (lp1 - lp2);
    const double scuff = lp2 * (hitEnvelope(t, 0.02) + 0.7 * hitEnvelope(t - kToe, 0.06));
    const double tail = t > kLen - kFade ? 0.5 + 0.5 * std::cos(kPi * (t - (kLen - kFade)) / kFade)
                                         : 1.0;
    buf[start + i] += gain * tail * (0.8 * thump + 2.5 * scuff);
  }
}

// 2.0 s loop, four steps every 0.5 s starting at 0.05 s, so the gap across
// the loop seam equals the gap between steps and both ends are silent.
std::vector<double> makeFootsteps() {
  std::vector<double> s(2 * kRate, 0.0);
  for (int k = 0; k < 4; ++k) {
    const size_t start = static_cast<size_t>(kRate / 20 + k * kRate / 2);
    addStep(s, start, 1000U + static_cast<uint32_t>(k), k % 2 ? 0.85 : 1.0);
  }
  scaleToPeak(s, 0.6);
  return s;
}

// sin(2*pi*f*i/kRate) for integer f, reduced exactly with integer maths so
// every partial completes a whole number of cycles in one second.
double partial(long f, long i) {
  return std::sin(2 * kPi * static_cast<double>((f * i) % kRate) / kRate);
}

// 1.0 s hum: 220 Hz, its fifth and soft harmonics, a 222 Hz chorus voice
// (2 Hz beating) and a 1 Hz swell on the top partial. All frequencies are
// whole hertz, so sample kRate continues sample 0 exactly.
std::vector<double> makeHum() {
  std::vector<double> s(kRate);
  double sumSq = 0.0;
  for (long i = 0; i < kRate; ++i) {
    const double shimmer = 0.5 + 0.5 * partial(1, i);
    const double v = 1.0 * partial(220, i) + 0.35 * partial(222, i) +
                     0.5 * partial(330, i) + 0.2 * partial(440, i) +
                     0.1 * partial(660, i) + 0.08 * shimmer * partial(880, i);
    s[i] = v;
    sumSq += v * v;
  }
  const double target = 0.27, rms = std::sqrt(sumSq / kRate);
  for (double& v : s) v *= target / rms;
  return s;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <output-dir>\n", argv[0]);
    return 2;
  }
  const std::filesystem::path dir(argv[1]);
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  if (ec) {
    std::fprintf(stderr, "gen_assets: cannot create %s: %s\n", argv[1],
                 ec.message().c_str());
    return 1;
  }
  auto at = [&](const char* name) { return (dir / name).string(); };
  const bool ok = writeTga(at("do_alpha32.tga"), makeHandIcon(), 32) &&
                  writeTga(at("eye_alpha.tga"), makeEyeIcon(), 32) &&
                  writeTga(at("talk_alpha32.tga"), makeTalkIcon(), 32) &&
                  writeTga(at("wood-1.tga"), makeWoodWall(), 24) &&
                  writeTga(at("hardwoodfloor32.tga"), makeHardwoodFloor(), 32) &&
                  writeTga(at("ceiling.tga"), makeCeiling(), 24) &&
                  writeWav(at("Footsteps.wav"), makeFootsteps()) &&
                  writeWav(at("a.wav"), makeHum());
  if (!ok) {
    std::fprintf(stderr, "gen_assets: failed writing into %s\n", argv[1]);
    return 1;
  }
  return 0;
}
