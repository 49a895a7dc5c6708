// Fixed-point math (16.16), angles in 65536ths of a turn, the random generator,
// small integer functions and the start-up tables.
#pragma once
#include <cstdint>

int FixMulDiv(int a, int b, int c);
int FixMul(int a, int b);
int FixDiv(int a, int b);
unsigned FixSqrt(unsigned x);
int FixAtan(int t);
int FixAtan2(int y, int x);
int Random16();
double FloatSin(double x);
double FloatAbs(double x);
int Min(int a, int b);
int Sign(int a);
int Abs(int a);
int Clamp(int v, int hi, int lo);  // high bound before low bound
unsigned AlignUp(unsigned v, unsigned a);
void InitMathTables();

extern const uint16_t AtanTable[66];
extern int32_t SinTable[4097];
extern uint16_t ExpTable[513];
extern float SinTableF[513];
extern int32_t InvSqrtTable[256];
extern int32_t SqrtTable[257];
