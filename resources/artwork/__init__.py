"""The artwork generator's modules; resources/generate.py runs them."""
