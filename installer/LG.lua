-- Kavri demo installer: background copy job.
print("LG.lua started")
