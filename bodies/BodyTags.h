#pragma once
// The four-character property tags, numbered properties and dimension words of bodies.

#include <cstdint>

#include "core/Tag.h"

namespace body_tags {

inline constexpr uint32_t kTagMass = MakeTag("m___");
inline constexpr uint32_t kTagMoment = MakeTag("mome");
inline constexpr uint32_t kTagElasticity = MakeTag("elas");
inline constexpr uint32_t kTagStaticFriction = MakeTag("sfri");
inline constexpr uint32_t kTagKineticFriction = MakeTag("dfri");
inline constexpr uint32_t kTagFriction = MakeTag("fri_");
inline constexpr uint32_t kTagCharge = MakeTag("chrg");
inline constexpr uint32_t kTagPosX = MakeTag("pM_x");
inline constexpr uint32_t kTagPosY = MakeTag("pM_y");
inline constexpr uint32_t kTagPosRot = MakeTag("pM_r");
inline constexpr uint32_t kTagVelX = MakeTag("v__x");
inline constexpr uint32_t kTagVelY = MakeTag("v__y");
inline constexpr uint32_t kTagVelRot = MakeTag("v__r");
inline constexpr uint32_t kTagCOMX = MakeTag("comX");
inline constexpr uint32_t kTagCOMY = MakeTag("comY");
inline constexpr uint32_t kTagArea = MakeTag("area");
inline constexpr uint32_t kTagDensity = MakeTag("dens");
inline constexpr uint32_t kTagPenSize = MakeTag("thik");
inline constexpr uint32_t kTagFillPattern = MakeTag("fiPa");
inline constexpr uint32_t kTagMaterial = MakeTag("uMat");
inline constexpr uint32_t kTagMomentMode = MakeTag("uMom");
inline constexpr uint32_t kTagFillColour = MakeTag("fiCo");
inline constexpr uint32_t kTagTrackOutline = MakeTag("trkO");
inline constexpr uint32_t kTagShowCentre = MakeTag("shwG");
inline constexpr uint32_t kTagShowCharge = MakeTag("shwc");
inline constexpr uint32_t kTagCOMAutomatic = MakeTag("comA");
inline constexpr uint32_t kTagCOMByUser = MakeTag("comM");
inline constexpr uint32_t kTagTwx = MakeTag("fTwx");
inline constexpr uint32_t kTagWidth = MakeTag("rctW");
inline constexpr uint32_t kTagHeight = MakeTag("rctH");
inline constexpr uint32_t kTagRadius = MakeTag("Radu");
inline constexpr uint32_t kTagRadiusLine = MakeTag("shwO");
inline constexpr uint32_t kTagMaterialResource = MakeTag("mate");

// Numbered properties: the x and y position.
inline constexpr int16_t kPropertyX = 17;
inline constexpr int16_t kPropertyY = 18;

// Dimension words: signed 4-bit exponents of mass, length, time, angle and charge.
inline constexpr int32_t kDimMass = 0x10000000;
inline constexpr int32_t kDimMoment = 0x12000000;
inline constexpr int32_t kDimLength = 0x01000000;
inline constexpr int32_t kDimArea = 0x02000000;
inline constexpr int32_t kDimDensity = 0x1E000000;
inline constexpr int32_t kDimAngle = 0x00010000;
inline constexpr int32_t kDimVelocity = 0x01F00000;
inline constexpr int32_t kDimAngularVelocity = 0x00F10000;
inline constexpr int32_t kDimCharge = 0x00101000;
// Frictions and elasticity bound to inputs: no unit.
inline constexpr int32_t kDimNone = static_cast<int32_t>(0x88888888u);

}  // namespace body_tags
