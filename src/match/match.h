// One fight between the blue and the red fighter.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "console/console_screen.h"
#include "match/debris.h"
#include "match/fighter.h"
#include "match/fighter_keys.h"
#include "match/imitation_ai.h"
#include "match/shot.h"

namespace torvelkan {

// What the App is to do with a match once it has been updated.
enum class MatchEnd : std::uint8_t {
  kPlaying,   // keep it
  kLeft,      // the player pressed Esc: back to the menu
  kFinished,  // the fight and its closing countdown are over: a fresh match
};

class Match {
 public:
  static constexpr std::int32_t kCountdownMs = 3000;  // before the fight and after it
  static constexpr float kShotDamage = -5.0f;
  static constexpr int kHitSparks = 3;
  static constexpr int kExplosionParticles = 300;
  static constexpr float kBlueStartX = 100.0f;
  static constexpr float kRedStartX = 300.0f;

  explicit Match(bool aiOn);
  // The fighters point at each other, so a match stays where it was made.
  Match(const Match&) = delete;
  Match& operator=(const Match&) = delete;

  void Update(std::uint32_t now, std::uint32_t elapsed);
  // Any key may come; the fighters' keys and Esc act.
  void OnKeyDown(std::uint16_t code);
  void OnKeyUp(std::uint16_t code);

  // kLeft after Esc; kFinished once the closing countdown is over; kPlaying
  // otherwise, the closing countdown included.
  MatchEnd EndState() const;
  void Render(ConsoleScreen& screen) const;

  bool AiEnabled() const { return aiEnabled; }
  void SetAiEnabled(bool on) { aiEnabled = on; }

  // Called by the fighters' attacks and by the match itself.
  void SpawnDebris(float x, float y, std::uint16_t attribute);
  void FireShot(float x, float y, float direction, std::uint16_t attribute);

  bool CountdownOver() const { return countdownMs <= 0; }
  std::int32_t CountdownMs() const { return countdownMs; }
  const std::string& Message() const { return message; }
  const std::vector<Debris>& DebrisList() const { return debris; }
  const std::vector<Shot>& Shots() const { return shots; }
  Fighter& Blue() { return blue; }
  Fighter& Red() { return red; }
  const ImitationAi& Ai() const { return ai; }

 private:
  void UpdateDebris(std::uint32_t now, std::uint32_t elapsed);
  void UpdateShots(std::uint32_t now, std::uint32_t elapsed);
  void EndFight();
  void Explode(const Fighter& fighter);
  void RecordSituation() { ai.RecordSituation(blue, red); }
  void Press(Fighter& fighter, FighterAction action);

  // Growable arrays compacted in place while walked: order is kept, and 600
  // particles cost one pass over contiguous memory, with no allocation per
  // particle.
  std::vector<Debris> debris;
  std::vector<Shot> shots;
  std::string message;
  std::int32_t countdownMs;
  ImitationAi ai;  // its memory lives exactly as long as the match
  // kFinished from the death on; EndState holds it back until the countdown is over.
  MatchEnd end = MatchEnd::kPlaying;
  // Held by value; members are destroyed in reverse order: red, then blue,
  // then the AI's memory, the message and the lists.
  Fighter blue;
  Fighter red;
  bool aiEnabled;
};

}  // namespace torvelkan
