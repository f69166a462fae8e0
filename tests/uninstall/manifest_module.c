/* A module that carries nothing but a manifest string table. */
int orv_manifest_module;
