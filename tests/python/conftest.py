import os

from hypothesis import HealthCheck, settings

# Hypothesis profiles: "ci" (the default) keeps the property tests to a few
# seconds; HYPOTHESIS_PROFILE=long runs them for as long as one cares to wait.
settings.register_profile(
    "ci",
    max_examples=150,
    deadline=None,
    database=None,
    print_blob=True,
    suppress_health_check=[HealthCheck.too_slow, HealthCheck.data_too_large],
)
settings.register_profile(
    "long",
    max_examples=20_000,
    deadline=None,
    print_blob=True,
    suppress_health_check=[HealthCheck.too_slow, HealthCheck.data_too_large],
)
settings.load_profile(os.environ.get("HYPOTHESIS_PROFILE", "ci"))
