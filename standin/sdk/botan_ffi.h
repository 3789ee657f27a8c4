// The few functions of Botan's C interface (the cryptography under RNP) that
// the stand-in calls itself: RNP makes no signatures over other people's
// keys, so certifications and key signatures are computed here.
#pragma once

#include <cstddef>
#include <cstdint>

extern "C" {
typedef struct botan_mp_struct* botan_mp_t;
typedef struct botan_privkey_struct* botan_privkey_t;
typedef struct botan_pk_op_sign_struct* botan_pk_op_sign_t;
typedef struct botan_rng_struct* botan_rng_t;
typedef struct botan_hash_struct* botan_hash_t;

int botan_mp_init(botan_mp_t* mp);
int botan_mp_destroy(botan_mp_t mp);
int botan_mp_from_bin(botan_mp_t mp, const uint8_t vec[], size_t vec_len);
int botan_rng_init(botan_rng_t* rng, const char* rng_type);
int botan_rng_destroy(botan_rng_t rng);
int botan_rng_get(botan_rng_t rng, uint8_t* out, size_t out_len);
int botan_privkey_load_rsa(botan_privkey_t* key, botan_mp_t p, botan_mp_t q, botan_mp_t e);
int botan_privkey_load_dsa(botan_privkey_t* key, botan_mp_t p, botan_mp_t q, botan_mp_t g, botan_mp_t x);
int botan_privkey_load_ecdsa(botan_privkey_t* key, const botan_mp_t scalar, const char* curve_name);
int botan_privkey_load_ed25519(botan_privkey_t* key, const uint8_t privkey[32]);
int botan_privkey_destroy(botan_privkey_t key);
int botan_pk_op_sign_create(botan_pk_op_sign_t* op, botan_privkey_t key, const char* hash_and_padding, uint32_t flags);
int botan_pk_op_sign_destroy(botan_pk_op_sign_t op);
int botan_pk_op_sign_output_length(botan_pk_op_sign_t op, size_t* olen);
int botan_pk_op_sign_update(botan_pk_op_sign_t op, const uint8_t in[], size_t in_len);
int botan_pk_op_sign_finish(botan_pk_op_sign_t op, botan_rng_t rng, uint8_t sig[], size_t* sig_len);
int botan_hash_init(botan_hash_t* hash, const char* hash_name, uint32_t flags);
int botan_hash_update(botan_hash_t hash, const uint8_t* in, size_t in_len);
int botan_hash_final(botan_hash_t hash, uint8_t out[]);
int botan_hash_destroy(botan_hash_t hash);
}
